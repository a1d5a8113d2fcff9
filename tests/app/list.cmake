# quorvane-cli list
quorvane_add_test(NAME CliListTests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliListTest.cpp
    LIBS quorvane::core
    LABELS cli)
