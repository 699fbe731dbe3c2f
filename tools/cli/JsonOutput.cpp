#include "JsonOutput.h"

namespace tvx::cli {

Json TextOrNull(const char *text) { return text ? Json(text) : Json(nullptr); }

void WriteJsonLine(std::ostream &out, const Json &value)
{
    out << value.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    out.flush();
}

} // namespace tvx::cli
