# Checksum engines in memory against zlib and OpenSSL; peer comparison of quorvane-cli hash in compare-engines.sh.
find_package(ZLIB REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
add_executable(EngineBench ${CMAKE_CURRENT_LIST_DIR}/EngineBench.cpp)
target_link_libraries(EngineBench PRIVATE quorvane::checksum benchmark::benchmark ZLIB::ZLIB OpenSSL::Crypto)
