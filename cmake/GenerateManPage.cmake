# Writes one manual page from a program's --help and --version with help2man.
# -DHELP2MAN=<help2man> -DPROGRAM=<built program> -DNAME=<program name>
# -DSUMMARY=<one line for NAME> -DOUTPUT=<page.1>
# -DSUBCOMMANDS=<commands whose own --help becomes a section> (optional)
# -DSEE_ALSO=<other pages of the suite> (optional)
cmake_minimum_required(VERSION 3.25)

# Text for roff's no-fill mode: backslashes escaped, and lines that would
# read as requests protected.
function(roff_literal text result)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

set(include_text "")
if(SUBCOMMANDS)
  string(APPEND include_text "[COMMANDS]\n")
  foreach(command ${SUBCOMMANDS})
    execute_process(COMMAND ${PROGRAM} ${command} --help
                    OUTPUT_VARIABLE help RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${NAME} ${command} --help exited with ${rc}")
    endif()
    roff_literal("${help}" help)
    string(APPEND include_text ".SS ${command}\n.nf\n${help}.fi\n")
  endforeach()
endif()
if(SEE_ALSO)
  list(TRANSFORM SEE_ALSO APPEND "(1)")
  list(JOIN SEE_ALSO ", " pages)
  string(APPEND include_text "[SEE ALSO]\n${pages}\n")
endif()
set(include_file ${OUTPUT}.h2m)
file(WRITE ${include_file} "${include_text}")

execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --name=${SUMMARY} --include=${include_file}
          --output=${OUTPUT} ${PROGRAM}
  RESULT_VARIABLE rc ERROR_VARIABLE errors)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man ${NAME} failed with ${rc}: ${errors}")
endif()
