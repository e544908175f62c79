# Writes the site's service worker for one build (cmake -P):
#
#   cmake -DKOBARU_SITE=DIR -DKOBARU_SITE_FILES=a,b/c,... -DKOBARU_WORKER=web/service-worker.js
#         -P web/service-worker.cmake
#
# DIR/service-worker.js is web/service-worker.js with the list of the site's
# files (paths under DIR, comma-separated) and the build's name: a hash of
# every file's path and contents.
string(REPLACE "," ";" files "${KOBARU_SITE_FILES}")
set(digests "")
set(quoted "")
foreach(file IN LISTS files)
  file(SHA256 "${KOBARU_SITE}/${file}" digest)
  string(APPEND digests "${file} ${digest}\n")
  list(APPEND quoted "'${file}'")
endforeach()
string(SHA256 KOBARU_BUILD "${digests}")
string(SUBSTRING "${KOBARU_BUILD}" 0 16 KOBARU_BUILD)
list(JOIN quoted ", " KOBARU_SITE_FILES)
set(KOBARU_SITE_FILES "[${KOBARU_SITE_FILES}]")
file(READ "${KOBARU_WORKER}" worker)
string(CONFIGURE "${worker}" worker @ONLY)
file(WRITE "${KOBARU_SITE}/service-worker.js" "${worker}")
