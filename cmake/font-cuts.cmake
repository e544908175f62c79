# The browser build ships its Japanese faces cut down to what the game can
# draw with them: the Mincho to the fixed texts of the title and the credits
# (web/mincho-texts.txt), the two gothics to the characters code page 932
# holds, as the renderer draws nothing else. The native test
# tests/web/font_cuts_test.cpp makes the same cuts and checks that each draws
# what it is for pixel for pixel as the whole face.
#
# A cut is a face of its own under the IPA Font License: its font and file
# names must not carry the original's, so each gets the game's name (below);
# the site's fonts/README.txt says how to put the original faces back.
set(KOBARU_MINCHO /usr/share/fonts/opentype/ipafont-mincho/ipam.ttf)
set(KOBARU_GOTHIC /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf)
set(KOBARU_PGOTHIC /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf)
set(KOBARU_MINCHO_TEXTS ${PROJECT_SOURCE_DIR}/web/mincho-texts.txt)
# The cuts' families, and their files' names: the family in lower case, with
# hyphens for spaces.
set(KOBARU_MINCHO_CUT "Kobaru Mincho")
set(KOBARU_GOTHIC_CUT "Kobaru Gothic")
set(KOBARU_PGOTHIC_CUT "Kobaru PGothic")
set(KOBARU_PYTHON /usr/bin/python3 CACHE FILEPATH
  "Python 3 that runs res/make_icon.py and, with Debian's fontTools, cuts fonts")

# Every character code page 932 holds, as UTF-8 text.
function(kobaru_cp932_characters output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${KOBARU_PYTHON} ${PROJECT_SOURCE_DIR}/web/cp932-characters ${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/web/cp932-characters
    VERBATIM)
endfunction()

# The file name of the cut named family.
function(kobaru_cut_file_name family variable)
  string(TOLOWER "${family}" name)
  string(REPLACE " " "-" name "${name}")
  set(${variable} ${name}.ttf PARENT_SCOPE)
endfunction()

# The face in the file font, cut down to the characters of the text file
# texts, as the face family in the folder folder (web/cut-font).
function(kobaru_cut_font font texts folder family)
  kobaru_cut_file_name("${family}" name)
  get_filename_component(original ${font} NAME)
  add_custom_command(OUTPUT ${folder}/${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${KOBARU_PYTHON} ${PROJECT_SOURCE_DIR}/web/cut-font ${font} ${texts} ${folder}/${name}
            "${family}"
    DEPENDS ${font} ${texts} ${PROJECT_SOURCE_DIR}/web/cut-font
    COMMENT "Cutting ${original} down to what the game draws with it, as ${name}"
    VERBATIM)
endfunction()
