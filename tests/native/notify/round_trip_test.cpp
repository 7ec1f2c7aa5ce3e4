// Random models saved and loaded back compare equal field by field.
#include <random>

#include "model_snapshot.h"
#include "registry_fixture.h"

using RoundTrip = RegistryTest;

// The store is not emptied between models: keys a larger model left above
// the counts must not come back.
TEST_F(RoundTrip, RandomModelsComeBackFieldByField)
{
  std::mt19937 random(20240611);
  for (int run = 0; run < 300; ++run) {
    Empty_Model();
    Fill_Random_Model(random);
    const ModelSnapshot saved = Take_Snapshot();
    ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration()) << "run " << run;
    Empty_Model();
    const LONG loaded = LoadConfiguration();
    ASSERT_EQ(saved.adapters.empty() ? 1 : ERROR_SUCCESS, loaded) << "run " << run;
    Expect_Same_Model(saved, Take_Snapshot(), "run " + std::to_string(run));
    if (HasFatalFailure() || HasNonfatalFailure()) break;
  }
}
