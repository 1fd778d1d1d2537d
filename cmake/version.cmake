# Writes OUTPUT, a header defining VELMORA_VERSION_DESCRIBED as `git describe` says of the
# source in SOURCE_DIR: a tag "v1.2.3" gives "1.2.3", a later commit "1.2.3-4-gabcdef0"; with
# no tag yet, FALLBACK (the project's version) and the commit, "1.0.0-gabcdef0"; "-dirty" when
# the working tree has changes. Run at every build (cmake -P); the file is rewritten only when
# the text changes, so nothing is rebuilt for nothing.
execute_process(COMMAND git describe --tags --match "v[0-9]*" --always --dirty --abbrev=7
                WORKING_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE failed ERROR_QUIET)
if(failed OR described STREQUAL "")
  set(described "${FALLBACK}-unknown")  # not a git checkout
elseif(described MATCHES "^v([0-9].*)$")
  set(described "${CMAKE_MATCH_1}")
else()
  set(described "${FALLBACK}-g${described}")  # no release tag yet: the commit alone
endif()
set(text "// Written by cmake/version.cmake at build time.\n#define VELMORA_VERSION_DESCRIBED \"${described}\"\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" before)
endif()
if(NOT before STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
