# Puts the menu program into the site when the mingw preset has built it, and takes out one
# staged before when it has not: the page then makes zips without it and says so.
if(EXISTS ${EXE})
  file(COPY_FILE ${EXE} ${OUT}/autorun.exe ONLY_IF_DIFFERENT)
else()
  file(REMOVE ${OUT}/autorun.exe)
endif()
