#include "package/CatalogShape.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr const char *kVersionLists[] = {"Bootloader supported versions", "Firmware supported versions",
                                         "Alternate pretreatment for bootloader"};

bool HasStringMembers(const json_value &object, std::initializer_list<const char *> names)
{
    for (const json_object_entry &member : object.u.object)
        for (const char *name : names)
            if (MemberNameIs(member, name) && member.value->type != json_string)
                return false;
    return true;
}

// An array of objects whose listed members are strings.
bool IsListOfObjects(const json_value &list, std::initializer_list<const char *> names)
{
    if (list.type != json_array)
        return false;
    for (const json_value *element : list.u.array)
        if (element->type != json_object || !HasStringMembers(*element, names))
            return false;
    return true;
}

bool TerminalInformationHasExpectedShape(const json_value &information)
{
    if (information.type != json_object || !HasStringMembers(information, {"Terminal type"}))
        return false;
    for (const json_object_entry &member : information.u.object)
        for (const char *list : kVersionLists)
            if (MemberNameIs(member, list) && !IsListOfObjects(*member.value, {"Version"}))
                return false;
    return true;
}

bool MemberHasExpectedShape(const json_object_entry &member)
{
    const json_value &value = *member.value;
    if (MemberNameIs(member, "Catalog version") || MemberNameIs(member, "PPU Header version"))
        return value.type == json_string;
    if (MemberNameIs(member, "DFU files have PPU header"))
        return value.type == json_boolean;
    if (MemberNameIs(member, "Overview"))
        return value.type == json_object && HasStringMembers(value, {"Company", "Subject"});
    if (MemberNameIs(member, "Terminal information"))
        return TerminalInformationHasExpectedShape(value);
    if (MemberNameIs(member, "File list"))
        return IsListOfObjects(value, {"File name", "Subject", "Type"});
    return true;
}

} // namespace

bool MemberNameIs(const json_object_entry &member, const char *name)
{
    return member.name_length == std::strlen(name) && std::memcmp(member.name, name, member.name_length) == 0;
}

bool CatalogHasExpectedShape(const json_value &catalog)
{
    if (catalog.type != json_object)
        return false;
    for (const json_object_entry &member : catalog.u.object)
        if (!MemberHasExpectedShape(member))
            return false;
    return true;
}
