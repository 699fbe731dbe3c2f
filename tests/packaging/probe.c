/* A program of someone else's that links the device library from its
 * development package: it asks for the lengths of the terminal list. */
#include <stdio.h>

#include <TVXDFUUpgrade.h>

int main(void)
{
    uint32_t productLength = 0;
    uint32_t idLength = 0;
    uint32_t result = ListVORNDevices(NULL, &productLength, NULL, &idLength);
    printf("result %u, product texts %u bytes, ID numbers %u bytes\n", (unsigned)result,
           (unsigned)productLength, (unsigned)idLength);
    return productLength > 0 && idLength > 0 ? 0 : 1;
}
