# Progress figures of src/verify.
quorvane_add_test(NAME ProgressTests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProgressTest.cpp
    LIBS quorvane::verify
    LABELS verify threads)
