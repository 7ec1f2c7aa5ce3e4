# The model tests, shared by the native program and the Windows one so that
# both compilers run the same cases.
set(TMRX_MODEL_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/adapters_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/links_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/membership_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/model_codes_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/priority_list_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/priority_render_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_reader_messages_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_reader_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_writer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wide_text_test.cpp
)
