# List reader: reading time for 100,000 and 1,000,000 entries (linear within 12x) and heap bytes per record.
add_executable(ReaderBench ${CMAKE_CURRENT_LIST_DIR}/ReaderBench.cpp)
target_link_libraries(ReaderBench PRIVATE quorvane::lists benchmark::benchmark)
