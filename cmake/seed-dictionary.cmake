# cmake -DTOOL=orvex-db -DDATABASE=path/nym2.fdb -DSEED=lines.tsv [-DEMULATOR=wine]
#       -P seed-dictionary.cmake
# Makes DATABASE from SEED unless a file of that name already exists. A
# cross-compiled TOOL runs under EMULATOR (Wine for a Windows build).
if(EXISTS "${DATABASE}")
  return()
endif()
file(REMOVE "${DATABASE}.new") # left by an interrupted build
execute_process(COMMAND ${EMULATOR} "${TOOL}" create "${DATABASE}.new" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${DATABASE}.new")
  message(FATAL_ERROR "could not create ${DATABASE}")
endif()
execute_process(COMMAND ${EMULATOR} "${TOOL}" import "${SEED}" --into "${DATABASE}.new" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${DATABASE}.new")
  message(FATAL_ERROR "could not fill ${DATABASE} from ${SEED}")
endif()
# The history starts empty where it is installed: the starter words are no
# change of the user's, and the build's user name has no place there.
execute_process(COMMAND ${EMULATOR} "${TOOL}" history --keep 0 --db "${DATABASE}.new" RESULT_VARIABLE rc
                OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  file(REMOVE "${DATABASE}.new")
  message(FATAL_ERROR "could not empty the history of ${DATABASE}")
endif()
# Made under another name and moved in whole, so an interrupted build never
# leaves a half-filled dictionary behind that later builds would keep.
# NO_REPLACE may link rather than move; either way the spare name goes.
file(RENAME "${DATABASE}.new" "${DATABASE}" NO_REPLACE RESULT rename_result)
file(REMOVE "${DATABASE}.new")
