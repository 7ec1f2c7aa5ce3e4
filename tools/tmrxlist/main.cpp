#include <iostream>
#include "tmrxlist_cli.h"

int main(int argc, char** argv)
{
  return Run_Tmrxlist(argc, argv, std::cin, std::cout, std::cerr);
}
