#include "ReadableForm.h"

#include "TextEncoding.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <stdexcept>

using nlohmann::json;

namespace {

const char* const kSlotNames[3] = {"ceiling", "floor", "wall"};

// ---- writing -------------------------------------------------------------

std::string Hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (unsigned char c : bytes) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

std::string TextValue(std::string_view field)
{
    std::string utf8;
    if (Cp936ToUtf8(field, utf8))
        return json(utf8).dump(-1, ' ', false);
    return "{\"cp936hex\": \"" + Hex(field) + "\"}";
}

template <typename T>
std::string Bits(T value)
{
    using U = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
    U bits;
    std::memcpy(&bits, &value, sizeof bits);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*llx", static_cast<int>(sizeof(T) * 2), static_cast<unsigned long long>(bits));
    return std::string("{\"bits\": \"0x") + buffer + "\"}";
}

// Shortest text that reads back to exactly the same value; always with a
// decimal point or exponent so that JSON readers take it as a float.
template <typename T>
std::string FloatValue(T value)
{
    if (!std::isfinite(value))
        return Bits(value);
    char buffer[64];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string s(buffer, res.ptr);
    if (s.find_first_of(".eE") == std::string::npos)
        s += ".0";
    const T back = static_cast<T>(std::strtod(s.c_str(), nullptr));
    if (std::memcmp(&back, &value, sizeof value) != 0)
        return Bits(value);
    return s;
}

template <typename T, std::size_t N>
std::string Array(const T (&values)[N])
{
    std::string s = "[";
    for (std::size_t i = 0; i < N; ++i) {
        if (i)
            s += ", ";
        if constexpr (std::is_floating_point_v<T>)
            s += FloatValue(values[i]);
        else
            s += std::to_string(values[i]);
    }
    return s + "]";
}

struct Writer {
    std::string out;
    void Line(int indent, const std::string& text) { out.append(static_cast<std::size_t>(indent), ' ').append(text) += '\n'; }
};

void WriteSlot(Writer& w, int indent, const MaterialSlot& slot, bool last, const char* name)
{
    const std::string pad(static_cast<std::size_t>(indent), ' ');
    w.Line(indent, std::string("\"") + name + "\": {");
    std::string maps = "\"mapFile\": [";
    for (int i = 0; i < 6; ++i)
        maps += (i ? ", " : "") + TextValue(FieldView(slot.mapFile[i]));
    w.Line(indent + 2, maps + "],");
    w.Line(indent + 2, "\"color\": " + Array(slot.color) + ",");
    w.Line(indent + 2, "\"params1\": " + Array(slot.params1) + ",");
    w.Line(indent + 2, "\"params2\": " + Array(slot.params2) + ",");
    w.Line(indent + 2, "\"triple\": " + Array(slot.triple) + ",");
    w.Line(indent + 2, "\"params3\": " + Array(slot.params3) + ",");
    w.Line(indent + 2, "\"slotWord\": " + std::to_string(slot.slotWord) + ",");
    const double vec[3] = {slot.vector.x, slot.vector.y, slot.vector.z};
    w.Line(indent + 2, "\"vector\": " + Array(vec) + ",");
    w.Line(indent + 2, "\"params4\": " + Array(slot.params4) + ",");
    std::string triples = "\"triples\": [";
    for (int i = 0; i < 6; ++i)
        triples += (i ? ", " : "") + Array(slot.triples[i]);
    w.Line(indent + 2, triples + "],");
    w.Line(indent + 2, "\"params5\": " + Array(slot.params5) + ",");
    w.Line(indent + 2, "\"params6\": " + Array(slot.params6));
    w.Line(indent, last ? "}" : "},");
}

void WriteRecord(Writer& w, int indent, const CombinationRecord& r)
{
    w.Line(indent, "{");
    const int in = indent + 2;
    w.Line(in, "\"name\": " + TextValue(FieldView(r.name)) + ",");
    w.Line(in, "\"roomCategory\": " + TextValue(FieldView(r.roomCategory)) + ",");
    w.Line(in, "\"shortDescription\": " + TextValue(FieldView(r.shortDescription)) + ",");
    w.Line(in, "\"longDescription\": " + TextValue(FieldView(r.longDescription)) + ",");
    w.Line(in, "\"indexList1\": " + TextValue(FieldView(r.indexList1)) + ",");
    w.Line(in, "\"indexList2\": " + TextValue(FieldView(r.indexList2)) + ",");
    w.Line(in, "\"extraText1\": " + TextValue(FieldView(r.extraText1)) + ",");
    w.Line(in, "\"extraText2\": " + TextValue(FieldView(r.extraText2)) + ",");
    for (int s = 0; s < 3; ++s)
        WriteSlot(w, in, r.materials[s], s == 2, kSlotNames[s]);
    w.Line(indent, "}");
}

// ---- reading -------------------------------------------------------------

struct ParseError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string FromHex(const std::string& hex, const std::string& where)
{
    if (hex.size() % 2)
        throw ParseError(where + ": odd number of hex digits");
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        const auto res = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
        if (res.ec != std::errc() || res.ptr != hex.data() + i + 2)
            throw ParseError(where + ": bad hex digits");
        bytes += static_cast<char>(value);
    }
    return bytes;
}

// A field may be filled completely (no terminator), as a file can hold it.
void ReadText(const json& j, char* field, std::size_t width, const std::string& where)
{
    std::string bytes;
    if (j.is_string()) {
        if (!Utf8ToCp936(j.get<std::string>(), bytes))
            throw ParseError(where + ": text has no code page 936 form");
    } else if (j.is_object() && j.size() == 1 && j.contains("cp936hex") && j["cp936hex"].is_string()) {
        bytes = FromHex(j["cp936hex"].get<std::string>(), where);
    } else {
        throw ParseError(where + ": expected a text");
    }
    if (bytes.size() > width)
        throw ParseError(where + ": text longer than " + std::to_string(width) + " bytes");
    if (bytes.find('\0') != std::string::npos)
        throw ParseError(where + ": text holds a NUL");
    std::memset(field, 0, width);
    std::memcpy(field, bytes.data(), bytes.size());
}

template <typename T>
T ReadNumber(const json& j, const std::string& where)
{
    if constexpr (std::is_floating_point_v<T>) {
        if (j.is_object() && j.size() == 1 && j.contains("bits") && j["bits"].is_string()) {
            const std::string text = j["bits"].get<std::string>();
            using U = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
            U bits = 0;
            const char* begin = text.data() + (text.rfind("0x", 0) == 0 ? 2 : 0);
            const auto res = std::from_chars(begin, text.data() + text.size(), bits, 16);
            if (res.ec != std::errc() || res.ptr != text.data() + text.size())
                throw ParseError(where + ": bad bits");
            T value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        if (!j.is_number())
            throw ParseError(where + ": expected a number");
        return static_cast<T>(j.get<double>());
    } else {
        if (!j.is_number_integer())
            throw ParseError(where + ": expected an integer");
        const int64_t v = j.get<int64_t>();
        // 32-bit members may be written signed or unsigned.
        if (v < INT32_MIN || v > static_cast<int64_t>(UINT32_MAX))
            throw ParseError(where + ": out of the 32-bit range");
        return static_cast<T>(static_cast<uint32_t>(v));
    }
}

template <typename T, std::size_t N>
void ReadArray(const json& j, T (&values)[N], const std::string& where)
{
    if (!j.is_array() || j.size() != N)
        throw ParseError(where + ": expected " + std::to_string(N) + " values");
    for (std::size_t i = 0; i < N; ++i)
        values[i] = ReadNumber<T>(j[i], where + "[" + std::to_string(i) + "]");
}

void CheckMembers(const json& j, const std::set<std::string>& allowed, const std::string& where)
{
    if (!j.is_object())
        throw ParseError(where + ": expected an object");
    for (auto it = j.begin(); it != j.end(); ++it)
        if (!allowed.count(it.key()))
            throw ParseError(where + ": unknown member \"" + it.key() + "\"");
}

void ReadSlot(const json& j, MaterialSlot& slot, const std::string& where)
{
    CheckMembers(j, {"mapFile", "color", "params1", "params2", "triple", "params3", "slotWord", "vector", "params4",
                     "triples", "params5", "params6"},
                 where);
    if (j.contains("mapFile")) {
        const json& maps = j["mapFile"];
        if (!maps.is_array() || maps.size() > 6)
            throw ParseError(where + ".mapFile: expected up to 6 texts");
        for (std::size_t i = 0; i < maps.size(); ++i)
            ReadText(maps[i], slot.mapFile[i], sizeof slot.mapFile[i], where + ".mapFile[" + std::to_string(i) + "]");
    }
    if (j.contains("color"))
        ReadArray(j["color"], slot.color, where + ".color");
    if (j.contains("params1"))
        ReadArray(j["params1"], slot.params1, where + ".params1");
    if (j.contains("params2"))
        ReadArray(j["params2"], slot.params2, where + ".params2");
    if (j.contains("triple"))
        ReadArray(j["triple"], slot.triple, where + ".triple");
    if (j.contains("params3"))
        ReadArray(j["params3"], slot.params3, where + ".params3");
    if (j.contains("slotWord"))
        slot.slotWord = ReadNumber<int32_t>(j["slotWord"], where + ".slotWord");
    if (j.contains("vector")) {
        double vec[3];
        ReadArray(j["vector"], vec, where + ".vector");
        slot.vector = {vec[0], vec[1], vec[2]};
    }
    if (j.contains("params4"))
        ReadArray(j["params4"], slot.params4, where + ".params4");
    if (j.contains("triples")) {
        const json& t = j["triples"];
        if (!t.is_array() || t.size() != 6)
            throw ParseError(where + ".triples: expected 6 groups");
        for (std::size_t i = 0; i < 6; ++i)
            ReadArray(t[i], slot.triples[i], where + ".triples[" + std::to_string(i) + "]");
    }
    if (j.contains("params5"))
        ReadArray(j["params5"], slot.params5, where + ".params5");
    if (j.contains("params6"))
        ReadArray(j["params6"], slot.params6, where + ".params6");
}

void ReadRecord(const json& j, CombinationRecord& r, const std::string& where)
{
    CheckMembers(j, {"name", "roomCategory", "shortDescription", "longDescription", "indexList1", "indexList2",
                     "extraText1", "extraText2", "ceiling", "floor", "wall"},
                 where);
    if (!j.contains("name") || !j.contains("roomCategory"))
        throw ParseError(where + ": a record needs \"name\" and \"roomCategory\"");
    InitCombinationRecord(r, "", "", "");
    ReadText(j["name"], r.name, sizeof r.name, where + ".name");
    ReadText(j["roomCategory"], r.roomCategory, sizeof r.roomCategory, where + ".roomCategory");
    if (j.contains("shortDescription"))
        ReadText(j["shortDescription"], r.shortDescription, sizeof r.shortDescription, where + ".shortDescription");
    if (j.contains("longDescription"))
        ReadText(j["longDescription"], r.longDescription, sizeof r.longDescription, where + ".longDescription");
    if (j.contains("indexList1"))
        ReadText(j["indexList1"], r.indexList1, sizeof r.indexList1, where + ".indexList1");
    if (j.contains("indexList2"))
        ReadText(j["indexList2"], r.indexList2, sizeof r.indexList2, where + ".indexList2");
    if (j.contains("extraText1"))
        ReadText(j["extraText1"], r.extraText1, sizeof r.extraText1, where + ".extraText1");
    if (j.contains("extraText2"))
        ReadText(j["extraText2"], r.extraText2, sizeof r.extraText2, where + ".extraText2");
    for (int s = 0; s < 3; ++s)
        if (j.contains(kSlotNames[s]))
            ReadSlot(j[kSlotNames[s]], r.materials[s], where + "." + kSlotNames[s]);
}

}  // namespace

std::string RecordToReadable(const CombinationRecord& record, int indent)
{
    Writer w;
    WriteRecord(w, indent, record);
    return w.out;
}

std::string ToReadable(const CombinationLibrary& library)
{
    Writer w;
    w.Line(0, "{");
    w.Line(2, "\"signature\": \"ZK_Tintgrove_V1.0\",");
    if (library.IsEmpty()) {
        w.Line(2, "\"records\": []");
    } else {
        w.Line(2, "\"records\": [");
        for (int i = 0; i < library.GetCount(); ++i) {
            WriteRecord(w, 4, library[i]);
            if (i + 1 < library.GetCount())
                w.out.insert(w.out.size() - 1, ",");
        }
        w.Line(2, "]");
    }
    w.Line(0, "}");
    return w.out;
}

bool FromReadable(const std::string& text, CombinationLibrary& library, std::string& error)
{
    try {
        const json doc = json::parse(text);
        CheckMembers(doc, {"signature", "records"}, "document");
        if (doc.contains("signature") && doc["signature"] != "ZK_Tintgrove_V1.0")
            throw ParseError("document: the signature must be \"ZK_Tintgrove_V1.0\"");
        if (!doc.contains("records") || !doc["records"].is_array())
            throw ParseError("document: expected \"records\": [...]");
        CombinationLibrary parsed;
        CombinationRecord record;
        const json& records = doc["records"];
        for (std::size_t i = 0; i < records.size(); ++i) {
            ReadRecord(records[i], record, "records[" + std::to_string(i) + "]");
            parsed.Append(record);
        }
        for (const CombinationRecord& r : parsed)
            library.Append(r);
        return true;
    } catch (const ParseError& e) {
        error = e.what();
    } catch (const json::exception& e) {
        error = e.what();
    }
    return false;
}
