/* Lists terminals through the shared library with its real USB backend on a
 * machine that has none: the bus opens, the list is empty, and asking for a
 * terminal by its ID number finds none. */
#include <stdio.h>

#include "TVXDFUUpgrade.h"

int main(void)
{
    uint32_t productLength = 0, idLength = 0;
    uint32_t firmware = 0, loader = 0, deviceType = 0;
    uint16_t extra = 0;
    char ident[130];
    char products[8], ids[8];
    uint32_t result = ListVORNDevices(NULL, &productLength, NULL, &idLength);
    if (result != 0 || productLength != 1 || idLength != 1) {
        fprintf(stderr, "listing: result %#x, lengths %u and %u\n", (unsigned)result, (unsigned)productLength,
                (unsigned)idLength);
        return 1;
    }
    productLength = idLength = sizeof products;
    result = ListVORNDevices(products, &productLength, ids, &idLength);
    if (result != 0 || products[0] != '\0' || ids[0] != '\0') {
        fprintf(stderr, "listing into buffers: result %#x\n", (unsigned)result);
        return 1;
    }
    result = GetwBCDDeviceFWVersion("K470A0001234", 12, &firmware, &loader, &deviceType, &extra, ident);
    if (result != UPG_NO_DEVICE) {
        fprintf(stderr, "versions of an absent terminal: result %#x\n", (unsigned)result);
        return 1;
    }
    return 0;
}
