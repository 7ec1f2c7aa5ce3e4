// ConnectionType codes and the check boxes that stand for them.
#include "dialogs/speed_duplex.h"

#include "model/membership.h"
#include "model/model_codes.h"

unsigned SpeedDuplexBoxesOf(int32_t code)
{
  switch (code) {
    case 1: return BOX_10 | BOX_HALF;
    case 2: return BOX_10 | BOX_FULL;
    case 3: return BOX_100 | BOX_HALF;
    case 4: return BOX_100 | BOX_FULL;
    case NO_MEMBER_VALUE:
    case MIXED_MEMBER_VALUE: return 0;
    default: return BOX_AUTO;
  }
}

int32_t SpeedDuplexCodeOf(unsigned checked)
{
  if (checked & BOX_AUTO) return 0;
  if ((checked & BOX_100) && (checked & BOX_FULL)) return 4;
  if ((checked & BOX_100) && (checked & BOX_HALF)) return 3;
  if (!(checked & BOX_10)) return 0;
  if (checked & BOX_FULL) return 2;
  if (checked & BOX_HALF) return 1;
  return 0;
}

int32_t SpeedDuplexCodeAfterClick(unsigned clicked, unsigned checked)
{
  bool half = (checked & BOX_HALF) != 0;
  bool ten = (checked & BOX_10) != 0;
  switch (clicked) {
    case BOX_100: return half ? 3 : 4;
    case BOX_10: return half ? 1 : 2;
    case BOX_FULL: return ten ? 2 : 4;
    case BOX_HALF: return ten ? 1 : 3;
    default: return 0;  // AutoSense
  }
}

bool IsFixedSpeedModel(int32_t model)
{
  return model == MODEL_W10FX || model == MODEL_W100FX || model == MODEL_W250FX;
}
