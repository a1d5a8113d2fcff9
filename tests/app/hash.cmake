# quorvane-cli hash.
quorvane_add_test(NAME CliHashTests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliHashTest.cpp
    LIBS quorvane::checksum
    LABELS app)
# Against rhash and md5sum (skipped when they are missing); kept out of the sanitizer suite.
quorvane_add_test(NAME CliHashPeerTests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliHashPeerTest.cpp
    LIBS quorvane::checksum
    LABELS app peers)
