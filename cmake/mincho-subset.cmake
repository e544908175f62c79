# The Mincho face draws only the fixed texts of the title and the credits,
# listed in web/mincho-texts.txt, so the browser build ships it cut down to
# their characters. The native test tests/web/mincho_subset_test.cpp makes
# the same cut, checks that the list holds every text the screens draw in
# Mincho, and that the cut face draws them pixel for pixel as the whole one.
set(KOBARU_MINCHO /usr/share/fonts/opentype/ipafont-mincho/ipam.ttf)
set(KOBARU_MINCHO_TEXTS ${PROJECT_SOURCE_DIR}/web/mincho-texts.txt)
set(KOBARU_PYTHON /usr/bin/python3 CACHE FILEPATH "Python 3 that runs res/make_icon.py and, with Debian's fontTools, cuts fonts")

function(kobaru_subset_mincho output)
  # Outlines, metrics and hinting instructions stay as they are; the layout
  # tables go, as FreeType's bitmaps never use them.
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${KOBARU_PYTHON} -m fontTools.subset ${KOBARU_MINCHO}
            --text-file=${KOBARU_MINCHO_TEXTS} --output-file=${output} --layout-features=
    DEPENDS ${KOBARU_MINCHO} ${KOBARU_MINCHO_TEXTS}
    COMMENT "Cutting IPAMincho down to the texts drawn with it"
    VERBATIM)
endfunction()
