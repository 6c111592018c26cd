# Copies the demo menu folder for the designer page and writes files.txt, the list of its files
# that the page fetches. The demo installer is a Windows program; the page gets an empty
# stand-in, since the simulated machine only needs the file to be there.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
file(COPY ${SOURCE}/autorun.ini ${SOURCE}/autorun.inf ${SOURCE}/readme.txt DESTINATION ${OUT})
file(COPY ${PICTURES}/ DESTINATION ${OUT} PATTERN pictures.stamp EXCLUDE)
file(TOUCH ${OUT}/setup.exe)
file(GLOB_RECURSE files RELATIVE ${OUT} ${OUT}/*)
list(SORT files)
list(JOIN files "\n" listing)
file(WRITE ${OUT}/files.txt "${listing}\n")
