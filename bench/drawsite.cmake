# drawsite: page generation (Google Benchmark) and the site's keep-alive throughput (script,
# bench/drawsite_keepalive.sh, run against build/kl8-drawsite).
add_executable(drawsite_bench ${CMAKE_CURRENT_LIST_DIR}/drawsite_generate.cpp)
target_link_libraries(drawsite_bench PRIVATE kl8_drawdata benchmark::benchmark)
