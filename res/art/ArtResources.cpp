#include "res/art/ArtResources.h"

#include "res/Resources.h"

namespace tvx {

const char *ArtResourcePath(int resourceId)
{
    switch (resourceId) {
    case kBannerBitmapId:
        return ":/tvx/art/banner.png";
    case kAboutBitmapId:
        return ":/tvx/art/about.png";
    case kAppIconId:
        return ":/tvx/art/icon.png";
    default:
        return nullptr;
    }
}

} // namespace tvx
