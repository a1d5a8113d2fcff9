# quorvane-cli check and create, and lists exchanged with the peer programs (cksfv, rhash, md5sum).
quorvane_add_test(NAME CliRunTests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliCheckTest.cpp ${CMAKE_CURRENT_LIST_DIR}/CliCreateTest.cpp
    LIBS quorvane::core
    LABELS cli)
quorvane_add_test(NAME PeersRunTests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PeersRunTest.cpp
    LIBS quorvane::core
    LABELS peers)
