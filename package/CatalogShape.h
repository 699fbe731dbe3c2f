// The JSON types the catalog reader relies on.
#pragma once

#include <json.h>

// True when every member the reader uses has the type it reads it as: the
// catalog an object, texts strings, the flag a boolean, "Overview" and
// "Terminal information" objects, the version lists and "File list" arrays of
// objects. Other members are not looked at.
bool CatalogHasExpectedShape(const json_value &catalog);

// Member names compared exactly, with their length.
bool MemberNameIs(const json_object_entry &member, const char *name);
