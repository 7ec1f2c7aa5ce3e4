#include "model_lists.h"
#include "model/model.h"

ModelLists& Model_Lists()
{
  static ModelLists lists;
  return lists;
}

Adapter* First_Adapter() { return Model_Lists().firstAdapter; }
int Adapter_Count() { return Model_Lists().adapterCount; }
Link* First_Link() { return Model_Lists().firstLink; }
int Link_Count() { return Model_Lists().linkCount; }

void Empty_Model()
{
  Delete_All_Links();
  Delete_All_Adapters();
}
