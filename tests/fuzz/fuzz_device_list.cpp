// The terminal lists as the device library hands them out: a buffer of
// product texts and one of ID texts, NUL-terminated each and ended by an
// empty text, read in step as the device list fills its rows. Neither reader
// may run past its buffer, whatever the library wrote into it.
//
// Input: a 16-bit length, that many bytes of product list, the rest the ID
// list.
#include "device/MultiStringReader.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace tvx::fuzz;

namespace {

// `text` is the terminated text that starts at `*at` inside `buffer`; `*at`
// moves behind its NUL.
void ExpectNextText(const std::vector<char> &buffer, const char **at, std::string_view text, const char *what)
{
    const char *const end = buffer.data() + buffer.size();
    Expect(text.data() == *at && text.data() + text.size() < end, what);
    Expect(text.find('\0') == std::string_view::npos && text.data()[text.size()] == '\0', what);
    *at += text.size() + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ByteReader in(data, size);
    const std::vector<uint8_t> productBytes = in.Bytes(in.Word());
    const std::vector<uint8_t> idBytes = in.Rest();
    const std::vector<char> products(productBytes.begin(), productBytes.end());
    const std::vector<char> ids(idBytes.begin(), idBytes.end());

    MultiStringReader productReader(products);
    MultiStringReader idReader(ids);
    const char *productAt = products.data();
    const char *idAt = ids.data();
    std::string_view product;
    std::string_view id;
    while (idReader.Next(&id) && productReader.NextEntry(&product)) {
        Expect(!id.empty(), "an ID row has an ID");
        ExpectNextText(ids, &idAt, id, "an ID is the next terminated text of its list");
        ExpectNextText(products, &productAt, product, "a product is the next terminated text of its list");
    }
    return 0;
}
