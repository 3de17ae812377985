# cmake -DTOOL=orvex-db -DDATABASE=path/nym2.fdb -DSEED=lines.tsv -P seed-dictionary.cmake
# Makes DATABASE from SEED unless a file of that name already exists.
if(EXISTS "${DATABASE}")
  return()
endif()
file(REMOVE "${DATABASE}.new") # left by an interrupted build
execute_process(COMMAND "${TOOL}" create "${DATABASE}.new" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${DATABASE}.new")
  message(FATAL_ERROR "could not create ${DATABASE}")
endif()
execute_process(COMMAND "${TOOL}" import "${SEED}" --into "${DATABASE}.new" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${DATABASE}.new")
  message(FATAL_ERROR "could not fill ${DATABASE} from ${SEED}")
endif()
# Made under another name and moved in whole, so an interrupted build never
# leaves a half-filled dictionary behind that later builds would keep.
file(RENAME "${DATABASE}.new" "${DATABASE}" NO_REPLACE RESULT rename_result)
# Some CMake versions carry out NO_REPLACE as a hard link and leave the
# temporary name behind; either way it must go.
file(REMOVE "${DATABASE}.new")
