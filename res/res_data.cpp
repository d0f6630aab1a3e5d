#include "res/res_data.h"

#include "res/embedded_files.h"

std::span<const unsigned char> BannerBitmapBytes() {
    return EmbeddedBannerBmp();
}

std::span<const unsigned char> IconPngBytes(int size) {
    switch (size) {
        case 48:
            return EmbeddedIcon48Png();
        case 32:
            return EmbeddedIcon32Png();
        case 16:
            return EmbeddedIcon16Png();
        default:
            return {};
    }
}

std::span<const unsigned char> IconIcoBytes() {
    return EmbeddedIconIco();
}
