/* Drives the shared library through its C interface only, as a program that
 * links libTVXDFUUpgrade would: list, read the versions, write one part with
 * a backup, poll to the end, read the new version. TVX_SIMULATOR names the
 * scenario. Arguments: a Firmware part image naming firmware 4.7.0, the
 * backup file path. */
#define _POSIX_C_SOURCE 200809L

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "TVXDFUUpgrade.h"

static int failures = 0;

#define CHECK(cond)                                                                                          \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond);                               \
            ++failures;                                                                                      \
        }                                                                                                    \
    } while (0)

static void Pause10ms(void)
{
    struct timespec t = {0, 10 * 1000 * 1000};
    nanosleep(&t, NULL);
}

static unsigned char *ReadWholeFile(const char *path, long *size)
{
    FILE *f = fopen(path, "rb");
    unsigned char *data = NULL;
    if (!f)
        return NULL;
    if (fseek(f, 0, SEEK_END) == 0 && (*size = ftell(f)) > 0 && fseek(f, 0, SEEK_SET) == 0) {
        data = malloc((size_t)*size);
        if (data && fread(data, 1, (size_t)*size, f) != (size_t)*size) {
            free(data);
            data = NULL;
        }
    }
    fclose(f);
    return data;
}

int main(int argc, char **argv)
{
    char id[17] = {0};
    char product[128] = {0};
    uint32_t productLength = 0, idLength = 0;
    uint32_t firmware = 0, loader = 0, deviceType = 0;
    uint16_t extra = 0;
    char ident[130];
    long size = 0;
    unsigned char *image;
    PartInfo info;
    PackageEntry entry;
    uint32_t bytes = 0, percent = 0, phase = 0, result = 0;
    int32_t status = 0;
    unsigned phasesSeen = 0;
    int ticks;

    if (argc != 3)
        return 2;
    remove(argv[2]);

    /* The two-call listing. */
    CHECK(ListVORNDevices(NULL, &productLength, NULL, &idLength) == 0);
    {
        char *products = calloc(productLength, 1);
        char *ids = calloc(idLength, 1);
        CHECK(products && ids);
        CHECK(ListVORNDevices(products, &productLength, ids, &idLength) == 0);
        strncpy(id, ids, 16);
        strncpy(product, products, sizeof product - 1);
        free(products);
        free(ids);
    }
    CHECK(strcmp(id, "SMOKE0001") == 0);
    CHECK(strcmp(product, "VORN 470 M online KOTRX V 4.6.0 V.1.4.2 RTM") == 0);

    CHECK(GetwBCDDeviceFWVersion(id, 16, &firmware, &loader, &deviceType, &extra, ident) == 0);
    CHECK(firmware == 0x01040600u && loader == 0x01010402u && deviceType == 470);

    image = ReadWholeFile(argv[1], &size);
    CHECK(image != NULL);
    if (!image)
        return 1;
    info.subject = NULL;
    info.fileName = "part.dfu";
    info.type = "Firmware";
    memset(&entry, 0, sizeof entry);
    strcpy(entry.name, "part.dfu");
    entry.kind = EntryKindPart;
    entry.data = image;
    entry.size = (int32_t)size;
    entry.info = &info;

    /* The wizard may pass the ID in another letter case. */
    id[0] = 's';
    CHECK(TVXDeviceFirmwareUpgrade(id, 16, &entry, argv[2]) == 0);
    for (ticks = 0; ticks < 6000 && result == 0; ++ticks) {
        Pause10ms();
        result = GetUpgradeStatus(&bytes, &percent, &phase, &status);
        if (phase < 8)
            phasesSeen |= 1u << phase;
    }
    CHECK(result != 0);
    CHECK(status == 0);
    CHECK(phase == TVXDFU_PHASE_FINISHED);
    CHECK(phasesSeen == 0x1Fu); /* phases 0 to 4 all seen */

    /* Back after its restart, with the version from the image's header. */
    for (ticks = 0; ticks < 3000; ++ticks) {
        if (GetwBCDDeviceFWVersion(id, 16, &firmware, &loader, &deviceType, &extra, ident) == 0)
            break;
        Pause10ms();
    }
    CHECK(firmware == 0x01040700u);
    CHECK(ConfigurationChange(0x8000, NULL) == 0);
    free(image);

    /* The read-back of the terminal's 4096-byte image, with its suffix. */
    image = ReadWholeFile(argv[2], &size);
    CHECK(image != NULL && size == 4096 + 16);
    CHECK(image != NULL && memcmp(image + size - 8, "UFD", 3) == 0);
    free(image);
    if (failures == 0)
        printf("api smoke test passed\n");
    return failures == 0 ? 0 : 1;
}
