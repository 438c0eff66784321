#include "ReadableForm.h"

#include "Cp936Text.h"
#include "RecordValidation.h"
#include "TextDisplay.h"
#include "TextEncoding.h"

#include <nlohmann/json.hpp>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>

using Json = nlohmann::json;

namespace {

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
    if (cp936::IsValid(field) && Cp936ToUtf8(field, utf8))
        return Json(utf8).dump(-1, ' ', false);
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

template <typename T>
bool SameBytes(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

template <std::size_t N>
bool SameText(const char (&a)[N], const char (&b)[N])
{
    return FieldView(a) == FieldView(b);
}

// Members of one JSON object, written one per line with commas between.
struct ObjectWriter {
    std::string& out;
    int indent;
    bool first = true;
    void Member(const std::string& name, const std::string& value)
    {
        if (!first)
            out += ",\n";
        first = false;
        out.append(static_cast<std::size_t>(indent), ' ') += "\"" + name + "\": " + value;
    }
};

const CombinationRecord& NewRecord()
{
    static const CombinationRecord record = [] {
        CombinationRecord r;
        InitCombinationRecord(r, "", "", "");
        return r;
    }();
    return record;
}

std::string SlotValue(const MaterialSlot& slot, const MaterialSlot& base, bool full, int indent)
{
    std::string s = "{\n";
    ObjectWriter w{s, indent + 2};
    if (full || !SameBytes(slot.color, base.color))
        w.Member("color", Array(slot.color));
    int maps = 6;
    if (!full)
        while (maps > 0 && FieldView(slot.mapFile[maps - 1]) == FieldView(base.mapFile[maps - 1]))
            --maps;
    if (maps > 0) {
        std::string list = "[";
        for (int i = 0; i < maps; ++i)
            list += (i ? ", " : "") + TextValue(FieldView(slot.mapFile[i]));
        w.Member("mapFile", list + "]");
    }
    if (full || !SameBytes(slot.params1, base.params1))
        w.Member("params1", Array(slot.params1));
    if (full || !SameBytes(slot.params2, base.params2))
        w.Member("params2", Array(slot.params2));
    if (full || !SameBytes(slot.triple, base.triple))
        w.Member("triple", Array(slot.triple));
    if (full || !SameBytes(slot.params3, base.params3))
        w.Member("params3", Array(slot.params3));
    if (full || slot.slotWord != base.slotWord)
        w.Member("slotWord", std::to_string(slot.slotWord));
    const double vec[3] = {slot.vector.x, slot.vector.y, slot.vector.z};
    const double baseVec[3] = {base.vector.x, base.vector.y, base.vector.z};
    if (full || !SameBytes(vec, baseVec))
        w.Member("vector", Array(vec));
    if (full || !SameBytes(slot.params4, base.params4))
        w.Member("params4", Array(slot.params4));
    if (full || !SameBytes(slot.triples, base.triples)) {
        std::string triples = "[";
        for (int i = 0; i < 6; ++i)
            triples += (i ? ", " : "") + Array(slot.triples[i]);
        w.Member("triples", triples + "]");
    }
    if (full || !SameBytes(slot.params5, base.params5))
        w.Member("params5", Array(slot.params5));
    if (full || !SameBytes(slot.params6, base.params6))
        w.Member("params6", Array(slot.params6));
    if (w.first)
        return "{}";
    s += "\n";
    s.append(static_cast<std::size_t>(indent), ' ') += "}";
    return s;
}

bool SlotIsNew(const MaterialSlot& slot, const MaterialSlot& base)
{
    for (int i = 0; i < 6; ++i)
        if (FieldView(slot.mapFile[i]) != FieldView(base.mapFile[i]))
            return false;
    // The numeric members lie between the texts and the end of the slot; the
    // alignment gap is zero in both.
    const std::size_t from = offsetof(MaterialSlot, params1);
    return std::memcmp(reinterpret_cast<const char*>(&slot) + from, reinterpret_cast<const char*>(&base) + from,
                       sizeof slot - from) == 0;
}

void WriteRecord(std::string& out, int indent, const CombinationRecord& r, ReadableStyle style)
{
    const bool full = style == ReadableStyle::Full;
    const CombinationRecord& base = NewRecord();
    out.append(static_cast<std::size_t>(indent), ' ') += "{\n";
    ObjectWriter w{out, indent + 2};
    w.Member("name", TextValue(FieldView(r.name)));
    w.Member("roomCategory", TextValue(FieldView(r.roomCategory)));
    if (full || !SameText(r.shortDescription, base.shortDescription))
        w.Member("shortDescription", TextValue(FieldView(r.shortDescription)));
    for (int s = 0; s < 3; ++s)
        if (full || !SlotIsNew(r.materials[s], base.materials[s]))
            w.Member(kSlotNames[s], SlotValue(r.materials[s], base.materials[s], full, indent + 2));
    if (full || !SameText(r.longDescription, base.longDescription))
        w.Member("longDescription", TextValue(FieldView(r.longDescription)));
    if (full || !SameText(r.indexList1, base.indexList1))
        w.Member("indexList1", TextValue(FieldView(r.indexList1)));
    if (full || !SameText(r.indexList2, base.indexList2))
        w.Member("indexList2", TextValue(FieldView(r.indexList2)));
    if (full || !SameText(r.extraText1, base.extraText1))
        w.Member("extraText1", TextValue(FieldView(r.extraText1)));
    if (full || !SameText(r.extraText2, base.extraText2))
        w.Member("extraText2", TextValue(FieldView(r.extraText2)));
    out += "\n";
    out.append(static_cast<std::size_t>(indent), ' ') += "}";
}

// ---- reading -------------------------------------------------------------

// A fault in one member of one record: where names the record, field the member.
struct ParseError : std::runtime_error {
    ParseError(const std::string& field, const std::string& what) : std::runtime_error(what), member(field) {}
    std::string member;
};

std::string FromHex(const std::string& hex, const std::string& field)
{
    if (hex.size() % 2)
        throw ParseError(field, "odd number of hex digits");
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        const auto res = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
        if (res.ec != std::errc() || res.ptr != hex.data() + i + 2)
            throw ParseError(field, "bad hex digits");
        bytes += static_cast<char>(value);
    }
    return bytes;
}

// A field may be filled completely (no terminator), as a file can hold it;
// validation refuses that unless it is off.
void ReadText(const Json& j, char* field, std::size_t width, const std::string& name)
{
    std::string bytes;
    if (j.is_string()) {
        // Some characters have a code page 936 byte that is no well-formed
        // code page 936 text ("€" is 0x80 there): refused like any other.
        if (!Utf8ToCp936(j.get_ref<const std::string&>(), bytes) || !cp936::IsValid(bytes))
            throw ParseError(name, "text has no code page 936 form");
    } else if (j.is_object() && j.size() == 1 && j.contains("cp936hex") && j["cp936hex"].is_string()) {
        bytes = FromHex(j["cp936hex"].get<std::string>(), name);
    } else {
        throw ParseError(name, "expected a text");
    }
    if (bytes.size() > width)
        throw ParseError(name, "text longer than " + std::to_string(width) + " bytes");
    if (bytes.find('\0') != std::string::npos)
        throw ParseError(name, "text holds a NUL");
    std::memset(field, 0, width);
    std::memcpy(field, bytes.data(), bytes.size());
}

// The member's name with an index, composed only when a message needs it.
std::string Indexed(const std::string& name, int index)
{
    return index < 0 ? name : name + "[" + std::to_string(index) + "]";
}

template <typename T>
T ReadNumber(const Json& j, const std::string& member, int index = -1)
{
    if constexpr (std::is_floating_point_v<T>) {
        if (j.is_object() && j.size() == 1 && j.contains("bits") && j["bits"].is_string()) {
            const std::string text = j["bits"].get<std::string>();
            using U = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
            U bits = 0;
            const char* begin = text.data() + (text.rfind("0x", 0) == 0 ? 2 : 0);
            const auto res = std::from_chars(begin, text.data() + text.size(), bits, 16);
            if (res.ec != std::errc() || res.ptr != text.data() + text.size() || begin == res.ptr)
                throw ParseError(Indexed(member, index), "bad bits");
            T value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        if (!j.is_number())
            throw ParseError(Indexed(member, index), "expected a number");
        const double v = j.get<double>();
        // A value that the member cannot hold would be stored as an infinity.
        if (!std::isfinite(v) || (sizeof(T) == 4 && std::fabs(v) > FLT_MAX))
            throw ParseError(Indexed(member, index), "number out of range for a " + std::to_string(sizeof(T) * 8) + "-bit float");
        return static_cast<T>(v);
    } else {
        if (!j.is_number_integer())
            throw ParseError(Indexed(member, index), "expected an integer");
        // 32-bit members may be written signed or unsigned.
        if (j.is_number_unsigned()) {
            if (j.get<uint64_t>() > UINT32_MAX)
                throw ParseError(Indexed(member, index), "out of the 32-bit range");
            return static_cast<T>(static_cast<uint32_t>(j.get<uint64_t>()));
        }
        const int64_t v = j.get<int64_t>();
        if (v < INT32_MIN || v > static_cast<int64_t>(UINT32_MAX))
            throw ParseError(Indexed(member, index), "out of the 32-bit range");
        return static_cast<T>(static_cast<uint32_t>(v));
    }
}

template <typename T, std::size_t N>
void ReadArray(const Json& j, T (&values)[N], const std::string& name)
{
    if (!j.is_array() || j.size() != N)
        throw ParseError(name, "expected " + std::to_string(N) + " values");
    for (std::size_t i = 0; i < N; ++i)
        values[i] = ReadNumber<T>(j[i], name, static_cast<int>(i));
}

void CheckMembers(const Json& j, std::initializer_list<const char*> allowed, const std::string& name)
{
    if (!j.is_object())
        throw ParseError(name, "expected an object");
    for (auto it = j.begin(); it != j.end(); ++it) {
        bool known = false;
        for (const char* a : allowed)
            known = known || it.key() == a;
        if (!known)
            throw ParseError(name, "unknown member \"" + it.key() + "\"");
    }
}

const Json* Member(const Json& j, const char* name)
{
    const auto it = j.find(name);
    return it == j.end() ? nullptr : &*it;
}

void ReadSlot(const Json& j, MaterialSlot& slot, const std::string& s)
{
    CheckMembers(j, {"mapFile", "color", "params1", "params2", "triple", "params3", "slotWord", "vector", "params4",
                     "triples", "params5", "params6"},
                 s);
    if (const Json* maps = Member(j, "mapFile")) {
        if (!maps->is_array() || maps->size() > 6)
            throw ParseError(s + ".mapFile", "expected up to 6 texts");
        for (std::size_t i = 0; i < maps->size(); ++i)
            ReadText((*maps)[i], slot.mapFile[i], sizeof slot.mapFile[i], s + ".mapFile[" + std::to_string(i) + "]");
    }
    if (const Json* m = Member(j, "color"))
        ReadArray(*m, slot.color, s + ".color");
    if (const Json* m = Member(j, "params1"))
        ReadArray(*m, slot.params1, s + ".params1");
    if (const Json* m = Member(j, "params2"))
        ReadArray(*m, slot.params2, s + ".params2");
    if (const Json* m = Member(j, "triple"))
        ReadArray(*m, slot.triple, s + ".triple");
    if (const Json* m = Member(j, "params3"))
        ReadArray(*m, slot.params3, s + ".params3");
    if (const Json* m = Member(j, "slotWord"))
        slot.slotWord = ReadNumber<int32_t>(*m, s + ".slotWord");
    if (const Json* m = Member(j, "vector")) {
        double vec[3];
        ReadArray(*m, vec, s + ".vector");
        slot.vector = {vec[0], vec[1], vec[2]};
    }
    if (const Json* m = Member(j, "params4"))
        ReadArray(*m, slot.params4, s + ".params4");
    if (const Json* t = Member(j, "triples")) {
        if (!t->is_array() || t->size() != 6)
            throw ParseError(s + ".triples", "expected 6 groups");
        for (std::size_t i = 0; i < 6; ++i)
            ReadArray((*t)[i], slot.triples[i], s + ".triples[" + std::to_string(i) + "]");
    }
    if (const Json* m = Member(j, "params5"))
        ReadArray(*m, slot.params5, s + ".params5");
    if (const Json* m = Member(j, "params6"))
        ReadArray(*m, slot.params6, s + ".params6");
}

template <std::size_t N>
void ReadOptionalText(const Json& j, const char* name, char (&field)[N])
{
    if (const Json* m = Member(j, name))
        ReadText(*m, field, N, name);
}

void ReadRecord(const Json& j, CombinationRecord& r)
{
    CheckMembers(j,
                 {"name", "roomCategory", "shortDescription", "longDescription", "indexList1", "indexList2",
                  "extraText1", "extraText2", "ceiling", "floor", "wall"},
                 "");
    const Json* name = Member(j, "name");
    const Json* category = Member(j, "roomCategory");
    if (!name || !category)
        throw ParseError("", "a record needs \"name\" and \"roomCategory\"");
    InitCombinationRecord(r, "", "", "");
    ReadText(*name, r.name, sizeof r.name, "name");
    ReadText(*category, r.roomCategory, sizeof r.roomCategory, "roomCategory");
    ReadOptionalText(j, "shortDescription", r.shortDescription);
    ReadOptionalText(j, "longDescription", r.longDescription);
    ReadOptionalText(j, "indexList1", r.indexList1);
    ReadOptionalText(j, "indexList2", r.indexList2);
    ReadOptionalText(j, "extraText1", r.extraText1);
    ReadOptionalText(j, "extraText2", r.extraText2);
    for (int s = 0; s < 3; ++s)
        if (const Json* slot = Member(j, kSlotNames[s]))
            ReadSlot(*slot, r.materials[s], kSlotNames[s]);
}

// "record 5 (暖白橡木)" when the record has a name, else "record 5".
std::string RecordLabel(std::size_t number, const Json* record)
{
    std::string label = "record " + std::to_string(number);
    if (record && record->is_object()) {
        const auto name = record->find("name");
        if (name != record->end() && name->is_string())
            label += " (" + DisplayUtf8(name->get_ref<const std::string&>()) + ")";
    }
    return label;
}

}  // namespace

std::pair<std::size_t, std::size_t> LineAndColumn(const std::string& text, std::size_t offset)
{
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;  // characters, not the bytes of a UTF-8 sequence
        }
    }
    return {line, column};
}

std::string RecordToReadable(const CombinationRecord& record, int indent, ReadableStyle style)
{
    std::string out;
    WriteRecord(out, indent, record, style);
    return out + "\n";
}

std::string ToReadable(const CombinationLibrary& library, ReadableStyle style)
{
    std::string out = "{\n  \"signature\": \"ZK_Tintgrove_V1.0\",\n";
    if (library.IsEmpty()) {
        out += "  \"records\": []\n";
    } else {
        out += "  \"records\": [\n";
        for (int i = 0; i < library.GetCount(); ++i) {
            WriteRecord(out, 4, library[i], style);
            out += i + 1 < library.GetCount() ? ",\n" : "\n";
        }
        out += "  ]\n";
    }
    return out + "}\n";
}

namespace {

// Walks the document as the parser reads it and builds a small tree for one
// record at a time (and for the document's other members), so the whole
// document is never held: memory stays at the text and one record.
class StreamingReader {
public:
    using Builder = nlohmann::detail::json_sax_dom_parser<Json>;

    // What the document holds, handed over one value at a time.
    std::function<void(Json&)> onRecord;
    std::function<void(const std::string& key, Json&)> onMember;  // members other than "records"
    std::function<void(Json&)> onRoot;                            // a document that is not an object
    bool recordsSeen = false;

    // The parser's fault, when it stopped.
    std::size_t errorByte = 0;
    std::string errorToken;
    std::string parserMessage;
    bool isSyntax = false;

    bool null() { return Scalar([](Builder& b) { return b.null(); }); }
    bool boolean(bool v) { return Scalar([v](Builder& b) { return b.boolean(v); }); }
    bool number_integer(Json::number_integer_t v) { return Scalar([v](Builder& b) { return b.number_integer(v); }); }
    bool number_unsigned(Json::number_unsigned_t v) { return Scalar([v](Builder& b) { return b.number_unsigned(v); }); }
    bool number_float(Json::number_float_t v, const Json::string_t& t)
    {
        return Scalar([v, &t](Builder& b) { return b.number_float(v, t); });
    }
    bool string(Json::string_t& v) { return Scalar([&v](Builder& b) { return b.string(v); }); }
    bool binary(Json::binary_t& v) { return Scalar([&v](Builder& b) { return b.binary(v); }); }

    bool start_object(std::size_t n)
    {
        if (!builder && level == 0) {
            level = 1;
            return true;
        }
        return Open([n](Builder& b) { return b.start_object(n); });
    }
    bool start_array(std::size_t n)
    {
        if (!builder && level == 1 && memberKey == "records") {
            if (recordsSeen)
                throw ParseError("document", "\"records\" is given twice");
            recordsSeen = true;
            level = 2;
            return true;
        }
        return Open([n](Builder& b) { return b.start_array(n); });
    }
    bool key(Json::string_t& k)
    {
        if (builder)
            return builder->key(k);
        memberKey = k;
        return true;
    }
    bool end_object() { return Close([](Builder& b) { return b.end_object(); }); }
    bool end_array() { return Close([](Builder& b) { return b.end_array(); }); }

    bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& e)
    {
        errorByte = position;
        errorToken = token;
        parserMessage = e.what();
        isSyntax = dynamic_cast<const nlohmann::detail::parse_error*>(&e) != nullptr;
        return false;
    }

private:
    template <typename Event>
    bool Scalar(Event event)
    {
        if (builder)
            return event(*builder) && Done();
        Begin();
        return event(*builder) && Done();
    }
    template <typename Event>
    bool Open(Event event)
    {
        if (!builder)
            Begin();
        ++depth;
        return event(*builder);
    }
    template <typename Event>
    bool Close(Event event)
    {
        if (!builder) {
            --level;  // the records array or the document ends
            return true;
        }
        --depth;
        return event(*builder) && Done();
    }
    void Begin()
    {
        value = Json();
        builder.emplace(value, false);
        depth = 0;
    }
    // Hands over the value being built once it is complete.
    bool Done()
    {
        if (depth > 0)
            return true;
        builder.reset();
        if (level == 2)
            onRecord(value);
        else if (level == 1)
            onMember(memberKey, value);
        else
            onRoot(value);
        return true;
    }

    int level = 0;  // 0 outside the document, 1 in it, 2 in its records
    std::string memberKey;
    std::optional<Builder> builder;
    Json value;
    int depth = 0;
};

}  // namespace

bool ReadReadable(const std::string& text, const RecordSink& sink, std::string& error, const ReadableOptions& options)
{
    std::size_t number = 0;
    Json current;
    DuplicateFinder duplicates;
    std::vector<RecordProblem> problems;
    CombinationRecord record;
    bool stopped = false;

    StreamingReader reader;
    reader.onRoot = [](Json&) { throw ParseError("document", "expected an object"); };
    reader.onMember = [](const std::string& key, Json& value) {
        if (key == "signature") {
            if (value != "ZK_Tintgrove_V1.0")
                throw ParseError("signature", "must be \"ZK_Tintgrove_V1.0\"");
        } else if (key == "records") {
            throw ParseError("document", "expected \"records\": [...]");
        } else {
            throw ParseError("document", "unknown member \"" + key + "\"");
        }
    };
    reader.onRecord = [&](Json& j) {
        if (stopped)
            return;
        ++number;
        current = std::move(j);
        ReadRecord(current, record);
        if (options.validate) {
            ValidateRecord(record, static_cast<int>(number), problems);
            if (const int earlier = duplicates.Add(record, static_cast<int>(number))) {
                RecordProblem p;
                p.record = static_cast<int>(number);
                p.kind = RecordProblem::Kind::Duplicate;
                p.other = earlier;
                problems.push_back(p);
            }
            if (!problems.empty())
                throw ParseError("", DescribeProblem(problems.front()));
        }
        std::string why;
        if (!sink(record, why)) {
            error = why;
            stopped = true;
        }
    };
    try {
        const bool parsed = Json::sax_parse(text, &reader);
        if (stopped)
            return false;
        if (!parsed) {
            std::string what = reader.parserMessage;
            if (reader.isSyntax) {
                // The parser's own prefix names the exception class and a
                // position counted differently; the reason follows the last ": ".
                const auto [line, column] = LineAndColumn(text, reader.errorByte > 0 ? reader.errorByte - 1 : 0);
                const std::size_t colon = what.rfind(": ");
                error = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
                        (colon == std::string::npos ? what : what.substr(colon + 2));
            } else {
                // A number too large for any float, say: where it starts.
                const std::size_t start = reader.errorByte >= reader.errorToken.size()
                                              ? reader.errorByte - reader.errorToken.size()
                                              : 0;
                const auto [line, column] = LineAndColumn(text, start);
                const std::size_t bracket = what.find("] ");
                error = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
                        (bracket == std::string::npos ? what : what.substr(bracket + 2));
            }
            return false;
        }
        if (!reader.recordsSeen)
            throw ParseError("document", "expected \"records\": [...]");
        return true;
    } catch (const ParseError& e) {
        std::string where = number > 0 ? RecordLabel(number, &current) : std::string();
        if (!e.member.empty() && e.member != "document")
            where += (where.empty() ? "" : ", ") + e.member;
        error = (where.empty() ? std::string() : where + ": ") + e.what();
    } catch (const Json::exception& e) {
        error = e.what();
    }
    return false;
}

bool FromReadable(const std::string& text, CombinationLibrary& library, std::string& error,
                  const ReadableOptions& options)
{
    const int start = library.GetCount();
    const bool ok = ReadReadable(
        text,
        [&](const CombinationRecord& record, std::string&) {
            library.Append(record);
            return true;
        },
        error, options);
    if (!ok)
        while (library.GetCount() > start)
            library.RemoveAt(library.GetCount() - 1);
    return ok;
}
