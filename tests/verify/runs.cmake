# Verification runs on a real worker thread (also run under ThreadSanitizer).
quorvane_add_test(NAME VerifyRunTests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/VerifyRunTest.cpp
    LIBS quorvane::core
    LABELS verify threads)
