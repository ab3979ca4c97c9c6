# Runs "quorin-pacote importar" without its summary line, so the build stays quiet;
# a failure still prints the tool's message and stops the build.
#   cmake -DPACOTE=<tool> -DCSV=<in> -DKPZ=<out> -P importar.cmake
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 ${PACOTE} importar ${CSV} ${KPZ}
  OUTPUT_QUIET
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "quorin-pacote importar ${CSV} falhou (${result})")
endif()
