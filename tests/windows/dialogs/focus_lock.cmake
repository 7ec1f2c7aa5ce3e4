# Read by ctest after the discovered test lists (TEST_INCLUDE_FILES). The
# dialog tests move the keyboard focus and activation of the one X display a
# test run shares: another program opening windows meanwhile takes the focus
# away, so each of them runs alone. The tests of pure text rules and of the
# templates open no window and run alongside anything.
foreach(list dialog_tests_TESTS tmrxint_dll_tests_TESTS)
  foreach(test IN LISTS ${list})
    if(NOT test MATCHES "^(DottedQuadText|SpeedDuplexCodes|ProtocolText|DialogTemplates)\\.")
      set_tests_properties(${test} PROPERTIES RUN_SERIAL TRUE)
    endif()
  endforeach()
endforeach()
