# kl8-web-bench: sequential fetch_page calls of a 400 KB page from a loopback server, beside
# the curl program fetching the same URL the same number of times in one run.
add_executable(kl8-web-bench
    ${CMAKE_CURRENT_SOURCE_DIR}/web_fetch_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/web/raw_http_server.cpp
)
target_link_libraries(kl8-web-bench PRIVATE kl8_web Threads::Threads)
