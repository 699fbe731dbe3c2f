// The owner of a tree json-parser made: freed with json_value_free when the
// owner goes.
#pragma once

#include <memory>

#include <json.h>

namespace tvx {

struct JsonValueFree {
    void operator()(json_value *value) const { json_value_free(value); }
};

using JsonValueOwner = std::unique_ptr<json_value, JsonValueFree>;

} // namespace tvx
