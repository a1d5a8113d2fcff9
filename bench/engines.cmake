# Checksum engines in memory against zlib and OpenSSL; peer comparison of quorvane-cli hash in compare-engines.sh.
# EngineBench also times every digest kind and BLAKE3 kernel; compare-digests.sh times DigestFile against the peers.
find_package(ZLIB REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
add_executable(EngineBench ${CMAKE_CURRENT_LIST_DIR}/EngineBench.cpp)
target_link_libraries(EngineBench PRIVATE quorvane::checksum benchmark::benchmark ZLIB::ZLIB OpenSSL::Crypto)

# One file's digest text through FileDigestText, timed against the peer tools by compare-digests.sh.
add_executable(DigestFile ${CMAKE_CURRENT_LIST_DIR}/DigestFile.cpp)
target_link_libraries(DigestFile PRIVATE quorvane::checksum)
