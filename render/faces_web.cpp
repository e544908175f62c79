// Which font file draws a face where there is no fontconfig: the browser, the simulator under node.
//
// The answers are fontconfig's on Debian with the game's font packages, at
// the paths Debian installs the files: the simulator under node reads them
// there, and the browser page puts the Liberation faces it ships at the same
// paths. The Japanese faces the page ships are cut down to what the game
// draws with them and named as faces of their own (cmake/font-cuts.cmake);
// the page puts them in /kobaru/fonts, where they are looked for first.
#include <strings.h>
#include <unistd.h>

#include "render/fonts.h"

namespace {

struct FamilyFiles {
    const char* family;
    const char* regular;
    const char* bold;  // the same file where the family has no bold face
    const char* cut;   // the page's cut of the face (the family has one), or null
};

constexpr FamilyFiles kFamilies[] = {
    {"Liberation Serif", "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf",
     "/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf", nullptr},
    {"Liberation Sans", "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
     "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf", nullptr},
    {"IPAGothic", "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
     "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", "/kobaru/fonts/kobaru-gothic.ttf"},
    {"IPAPGothic", "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
     "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf", "/kobaru/fonts/kobaru-pgothic.ttf"},
    {"IPAMincho", "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf",
     "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf", "/kobaru/fonts/kobaru-mincho.ttf"},
};

// fontconfig's best match for a name it has no family of.
constexpr FamilyFiles kAnyOther = {nullptr, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                   "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", nullptr};

const FamilyFiles* FindFamily(const char* family) {
    for (const FamilyFiles& files : kFamilies) {
        if (strcasecmp(files.family, family) == 0) {
            return &files;
        }
    }
    return nullptr;
}

}  // namespace

bool FindFace(const std::string& name, bool bold, FaceChoice& choice) {
    const FamilyFiles* files = FindFamily(name.c_str());
    bool lowercase_average = false;
    if (!files) {
        if (const StandIn* stand_in = FindStandIn(name)) {
            files = FindFamily(stand_in->family);
            lowercase_average = stand_in->lowercase_average;
        }
    }
    if (!files) {
        files = &kAnyOther;
    }
    // In the page the cut is there once the page has put it there, before the
    // game asks for its face; under node it never is.
    const char* file = bold ? files->bold : files->regular;
    if (files->cut && access(files->cut, R_OK) == 0) {
        file = files->cut;
    }
    choice = {file, 0, lowercase_average};
    return true;
}

void ReleaseFaceLookup() {}
