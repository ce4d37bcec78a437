// dusk-assets: generates the production's pictures, models and noise volume.
//
//   dusk-assets all DATA_DIR REVIEW_DIR    everything, plus previews and the contact sheet
//   dusk-assets pictures DATA_DIR          the pictures only
//   dusk-assets models DATA_DIR [REVIEW_DIR]
//   dusk-assets noise FILE                 the 128³ noise volume
//   dusk-assets sheet DATA_DIR OUT.png     contact sheet of the pictures already written
#include "catalogue.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "all" && argc == 4) {
        const std::string data = argv[2], review = argv[3];
        const bool ok = assets::writePictures(data) && assets::writeModels(data, review) &&
                        assets::writeNoise(data + "/noise.bin") && assets::writeContactSheet(data, review + "/contact_sheet.png");
        return ok ? 0 : 1;
    }
    if (cmd == "pictures" && argc == 3) return assets::writePictures(argv[2]) ? 0 : 1;
    if (cmd == "models" && (argc == 3 || argc == 4)) return assets::writeModels(argv[2], argc == 4 ? argv[3] : "") ? 0 : 1;
    if (cmd == "noise" && argc == 3) return assets::writeNoise(argv[2]) ? 0 : 1;
    if (cmd == "sheet" && argc == 4) return assets::writeContactSheet(argv[2], argv[3]) ? 0 : 1;
    std::fprintf(stderr,
                 "usage: dusk-assets all DATA_DIR REVIEW_DIR\n"
                 "       dusk-assets pictures DATA_DIR\n"
                 "       dusk-assets models DATA_DIR [REVIEW_DIR]\n"
                 "       dusk-assets noise FILE\n"
                 "       dusk-assets sheet DATA_DIR OUT.png\n");
    return 2;
}
