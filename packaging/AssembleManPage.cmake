# Writes a manual page and its gzip copy (cmake -P).
#   HEAD, OUTPUT, VERSION, GZIP   the page (or its head) with @VERSION@, where it goes
#   CLI, SECTIONS, TAIL           for ordane-cli(1): after HEAD, the section SECTIONS/COMMAND.1
#                                 of every command "CLI --help-all" lists, in its order, each
#                                 followed by SECTIONS/COMMAND+OPTION.1 when the help lists
#                                 --OPTION (a form of the command that came with that option)
# A command without a section gets a line saying so in the page; the test man-pages then
# fails and names it. Sections of commands this build does not have are left out.

cmake_minimum_required(VERSION 3.25)

file(READ "${HEAD}" page)
if(DEFINED CLI)
  execute_process(COMMAND "${CLI}" --help-all OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CLI} --help-all failed (${status})")
  endif()
  # Command names stand alone at the start of a line after "Subcommands:".
  string(FIND "${help}" "\nSubcommands:\n" start)
  string(SUBSTRING "${help}" ${start} -1 help)
  string(REGEX MATCHALL "\n[a-z][a-z0-9-]*\n" names "${help}")
  foreach(name IN LISTS names)
    string(STRIP "${name}" name)
    if(EXISTS "${SECTIONS}/${name}.1")
      file(READ "${SECTIONS}/${name}.1" section)
      string(APPEND page "${section}")
      file(GLOB forms "${SECTIONS}/${name}+*.1")
      list(SORT forms)
      foreach(form IN LISTS forms)
        string(REGEX REPLACE ".*\\+(.*)\\.1$" "\\1" option "${form}")
        if(help MATCHES "[ ,]--${option}[ \n]")
          file(READ "${form}" section)
          string(APPEND page "${section}")
        endif()
      endforeach()
    else()
      message(WARNING "ordane-cli ${name} has no manual section: add ${SECTIONS}/${name}.1")
      string(APPEND page ".SS ${name}\nNot described yet.\n")
    endif()
  endforeach()
  file(READ "${TAIL}" tail)
  string(APPEND page "${tail}")
endif()
string(REPLACE "@VERSION@" "${VERSION}" page "${page}")

file(WRITE "${OUTPUT}.new" "${page}")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
# -n: no name or time stamp in the archive, so that packages can be reproduced.
execute_process(COMMAND "${GZIP}" -9nc "${OUTPUT}" OUTPUT_FILE "${OUTPUT}.gz" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip of ${OUTPUT} failed")
endif()
