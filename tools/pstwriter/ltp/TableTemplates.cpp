#include "pstwriter/ltp/TableTemplates.h"

#include "pstwriter/ltp/ValueEncoder.h"

namespace pellmark::pstwriter::templates {
namespace {

using T = mapi::PropType;

std::vector<PropTag> make(bool unicode, std::initializer_list<std::pair<uint16_t, T>> cols) {
    std::vector<PropTag> out;
    for (auto [id, type] : cols) out.push_back(mapi::makeTag(id, storedType(type, unicode)));
    return out;
}

}  // namespace

std::vector<PropTag> hierarchy(bool u) {
    return make(u, {{0x3001, T::Unicode},
                    {0x3602, T::Int32},
                    {0x3603, T::Int32},
                    {0x360A, T::Boolean},
                    {0x0E30, T::Binary},
                    {0x0E33, T::Int64},
                    {0x0E34, T::Binary},
                    {0x0E38, T::Int32},
                    {0x3613, T::Unicode},
                    {0x6635, T::Int32},
                    {0x6636, T::Int32}});
}

std::vector<PropTag> contents(bool u) {
    return make(
        u, {{0x0E17, T::Int32},   {0x001A, T::Unicode}, {0x0E07, T::Int32},   {0x0017, T::Int32},
            {0x0042, T::Unicode}, {0x0037, T::Unicode}, {0x0E06, T::SysTime}, {0x0039, T::SysTime},
            {0x0E08, T::Int32},   {0x0E04, T::Unicode}, {0x0E03, T::Unicode}, {0x0057, T::Boolean},
            {0x0058, T::Boolean}, {0x0036, T::Int32},   {0x1097, T::Int32},   {0x0070, T::Unicode},
            {0x0071, T::Binary},  {0x65C6, T::Int32},   {0x3008, T::SysTime}, {0x0E30, T::Binary},
            {0x0E33, T::Int64},   {0x0E34, T::Binary},  {0x0E3D, T::Binary},  {0x0E3C, T::Binary},
            {0x0E38, T::Int32}});
}

std::vector<PropTag> assocContents(bool u) {
    return make(u, {{0x0E17, T::Int32},
                    {0x001A, T::Unicode},
                    {0x0E07, T::Int32},
                    {0x3001, T::Unicode},
                    {0x7003, T::Int32},
                    {0x7004, T::Binary},
                    {0x7005, T::Binary},
                    {0x7006, T::Unicode},
                    {0x7007, T::Int32},
                    {0x6800, T::Unicode},
                    {0x6803, T::Boolean},
                    {0x6805, T::MultiInt32},
                    {0x682F, T::Unicode}});
}

std::vector<PropTag> searchContents(bool u) {
    return make(u, {{0x67F1, T::Int32},
                    {0x0E05, T::Unicode},
                    {0x0E17, T::Int32},
                    {0x001A, T::Unicode},
                    {0x0E07, T::Int32},
                    {0x0017, T::Int32},
                    {0x0042, T::Unicode},
                    {0x0037, T::Unicode},
                    {0x0E06, T::SysTime},
                    {0x0E08, T::Int32},
                    {0x0E04, T::Unicode},
                    {0x0E03, T::Unicode},
                    {0x0057, T::Boolean},
                    {0x0058, T::Boolean},
                    {0x0036, T::Int32},
                    {0x0E2A, T::Boolean},
                    {0x3008, T::SysTime}});
}

std::vector<PropTag> attachments(bool u) {
    return make(u,
                {{0x370B, T::Int32}, {0x0E20, T::Int32}, {0x3705, T::Int32}, {0x3704, T::Unicode}});
}

std::vector<PropTag> recipients(bool u) {
    return make(u, {{0x0E0F, T::Boolean},
                    {0x3002, T::Unicode},
                    {0x3003, T::Unicode},
                    {0x0FFF, T::Binary},
                    {0x3001, T::Unicode},
                    {0x0C15, T::Int32},
                    {0x300B, T::Binary},
                    {0x0FF9, T::Binary},
                    {0x0FFE, T::Int32},
                    {0x3900, T::Int32},
                    {0x3A40, T::Boolean},
                    {0x39FF, T::Unicode}});
}

}  // namespace pellmark::pstwriter::templates
