// Which font file draws a face where there is no fontconfig: the browser, the simulator under node.
//
// The answers are fontconfig's on Debian with the game's font packages, at
// the paths Debian installs the files: the simulator under node reads them
// there, and the browser page puts the copies it ships at the same paths.
#include <strings.h>

#include "render/fonts.h"

namespace {

struct FamilyFiles {
    const char* family;
    const char* regular;
    const char* bold;  // the same file where the family has no bold face
};

constexpr FamilyFiles kFamilies[] = {
    {"Liberation Serif", "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf",
     "/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf"},
    {"Liberation Sans", "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
     "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"},
    {"IPAGothic", "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
     "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"},
    {"IPAPGothic", "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
     "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"},
    {"IPAMincho", "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf",
     "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"},
};

// fontconfig's best match for a name it has no family of.
constexpr FamilyFiles kAnyOther = {nullptr, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                   "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"};

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
    choice = {bold ? files->bold : files->regular, 0, lowercase_average};
    return true;
}

void ReleaseFaceLookup() {}
