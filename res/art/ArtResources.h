// The project's artwork by resource id: the banner (216), the About picture
// (226) and the application icon (900), embedded as Qt resources.
#pragma once

namespace tvx {

// The resource path of the image, or nullptr for an id without artwork.
const char *ArtResourcePath(int resourceId);

} // namespace tvx
