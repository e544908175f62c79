# The browser build ships its Japanese faces cut down to what the game can
# draw with them: the Mincho to the fixed texts of the title and the credits
# (web/mincho-texts.txt), the two gothics to the characters code page 932
# holds, as the renderer draws nothing else. The native test
# tests/web/font_cuts_test.cpp makes the same cuts and checks that each draws
# what it is for pixel for pixel as the whole face.
set(KOBARU_MINCHO /usr/share/fonts/opentype/ipafont-mincho/ipam.ttf)
set(KOBARU_GOTHIC /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf)
set(KOBARU_PGOTHIC /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf)
set(KOBARU_MINCHO_TEXTS ${PROJECT_SOURCE_DIR}/web/mincho-texts.txt)
set(KOBARU_PYTHON /usr/bin/python3 CACHE FILEPATH
  "Python 3 that runs res/make_icon.py and, with Debian's fontTools, cuts fonts")

# Every character code page 932 holds, as UTF-8 text.
function(kobaru_cp932_characters output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${KOBARU_PYTHON} ${PROJECT_SOURCE_DIR}/web/cp932-characters ${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/web/cp932-characters
    VERBATIM)
endfunction()

# The face in the file font, cut down to the characters of the text file
# texts. Outlines, metrics and hinting instructions stay as they are, the
# outline of .notdef too (drawn for a character the face lacks); the layout
# tables go, as FreeType's bitmaps never use them.
function(kobaru_cut_font font texts output)
  get_filename_component(folder ${output} DIRECTORY)
  get_filename_component(name ${font} NAME)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${KOBARU_PYTHON} -m fontTools.subset ${font} --text-file=${texts}
            --output-file=${output} --notdef-outline --layout-features=
    DEPENDS ${font} ${texts}
    COMMENT "Cutting ${name} down to what the game draws with it"
    VERBATIM)
endfunction()
