# lintian on the packages: no error, no warning, and no hardening note,
# which lintian shows at the info level (hardening-no-fortify-functions,
# hardening-no-bindnow) as well as a warning.
# -DDEBS=<folder with the .deb files>
cmake_minimum_required(VERSION 3.25)

file(GLOB debs ${DEBS}/*.deb)
execute_process(COMMAND lintian --display-info --fail-on error,warning ${debs}
                OUTPUT_VARIABLE report ERROR_VARIABLE report RESULT_VARIABLE rc)
if(NOT debs OR NOT rc EQUAL 0 OR report MATCHES "(^|\n)[EWI]: [^\n]* hardening-")
  message(FATAL_ERROR "lintian on '${debs}': exit ${rc}, reported:\n${report}")
endif()
message(STATUS "lintian:\n${report}")
