// Wavefront OBJ and MTL text parsing. Portable (no Windows header): the fuzz
// build compiles this file on its own.
#include "ObjModel.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>

namespace walkhost {
namespace {

// Limits that keep a hostile file from exhausting memory and time: a model
// over them is not one anyone walks through. Every corner becomes a stored
// point and every face of n corners n - 2 triangles to draw, so the corners
// of all faces together are counted, not the faces.
constexpr size_t kMaxVertices = 4000000;     // positions, texture vertices and normals together
constexpr size_t kMaxCorners = 4000000;      // over all faces
constexpr size_t kMaxFaceCorners = 100000;   // in one face

class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // Next line without its end-of-line characters and comment; false at the end.
    bool Next(std::string_view& line)
    {
        if (pos_ >= text_.size())
            return false;
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos)
            end = text_.size();
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        ++number_;
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos)
            line = line.substr(0, hash);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        return true;
    }
    int Number() const { return number_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int number_ = 0;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::vector<std::string> Split(std::string_view line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSpace(line[i]))
            ++i;
        const size_t start = i;
        while (i < line.size() && !IsSpace(line[i]))
            ++i;
        if (i > start)
            words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

// The text after the keyword, trimmed (names may contain spaces).
std::string Rest(std::string_view line, size_t keywordLength)
{
    std::string_view rest = line.substr(keywordLength);
    while (!rest.empty() && IsSpace(rest.front()))
        rest.remove_prefix(1);
    return std::string(rest);
}

bool ParseNumber(const std::string& word, double& value)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size() && errno != ERANGE && std::isfinite(value);
}

bool ParseIndex(const std::string& word, size_t count, size_t& index)
{
    if (word.empty() || word.size() > 12)
        return false;
    char* end = nullptr;
    const long long n = std::strtoll(word.c_str(), &end, 10);
    if (end != word.c_str() + word.size() || n == 0)
        return false;
    if (n > 0) {
        if (static_cast<unsigned long long>(n) > count)
            return false;
        index = static_cast<size_t>(n - 1);
    } else {
        if (static_cast<unsigned long long>(-n) > count)
            return false;
        index = count - static_cast<size_t>(-n);
    }
    return true;
}

// Words of a line, counted without storing them.
size_t CountWords(std::string_view line)
{
    size_t count = 0;
    for (size_t i = 0; i < line.size();) {
        while (i < line.size() && IsSpace(line[i]))
            ++i;
        if (i < line.size())
            ++count;
        while (i < line.size() && !IsSpace(line[i]))
            ++i;
    }
    return count;
}

std::string At(int line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

}  // namespace

bool ParseMtl(std::string_view text, std::vector<ObjMaterial>& materials, std::string& error)
{
    LineReader reader(text);
    std::string_view line;
    ObjMaterial* current = nullptr;
    while (reader.Next(line)) {
        const std::vector<std::string> words = Split(line);
        if (words.empty())
            continue;
        const std::string& key = words[0];
        if (key == "newmtl") {
            const std::string name = Rest(line, line.find("newmtl") + 6);
            if (name.empty()) {
                error = At(reader.Number(), "newmtl without a name");
                return false;
            }
            materials.push_back(ObjMaterial{});
            current = &materials.back();
            current->name = name;
        } else if (key == "Kd") {
            if (!current) {
                error = At(reader.Number(), "Kd before newmtl");
                return false;
            }
            if (words.size() < 2 || words[1] == "spectral" || words[1] == "xyz") {
                error = At(reader.Number(), "Kd needs r g b numbers");
                return false;
            }
            double rgb[3];
            for (int i = 0; i < 3; ++i) {
                // "Kd r" alone means grey r, as the format allows.
                const std::string& word = words[words.size() >= 4 ? 1 + i : 1];
                if (!ParseNumber(word, rgb[i])) {
                    error = At(reader.Number(), "Kd value '" + word + "' is not a number");
                    return false;
                }
            }
            for (int i = 0; i < 3; ++i)
                current->kd[i] = static_cast<float>(rgb[i] < 0 ? 0 : rgb[i] > 1 ? 1 : rgb[i]);
        } else if (key == "map_Kd") {
            if (!current) {
                error = At(reader.Number(), "map_Kd before newmtl");
                return false;
            }
            // Options (-s 1 1 1, -o ...) come first; the file name is then the last word.
            std::string file = Rest(line, line.find("map_Kd") + 6);
            if (!file.empty() && file[0] == '-')
                file = words.back();
            if (file.empty()) {
                error = At(reader.Number(), "map_Kd without a file name");
                return false;
            }
            current->mapKd = file;
        } else if (key == "d" || key == "Tr") {
            // `d` is the opacity, `Tr` the transparency (1 - d). A material
            // that has both takes the later line, as each replaces the value.
            if (!current) {
                error = At(reader.Number(), key + " before newmtl");
                return false;
            }
            // The value is the last word (`d -halo 0.5` has an option before it).
            double value = 0;
            if (words.size() < 2) {
                error = At(reader.Number(), key + " needs a number");
                return false;
            }
            if (!ParseNumber(words.back(), value)) {
                error = At(reader.Number(), key + " value '" + words.back() + "' is not a number");
                return false;
            }
            value = value < 0 ? 0 : value > 1 ? 1 : value;
            current->opacity = static_cast<float>(key == "d" ? value : 1 - value);
        }
        // Every other statement (Ka, Ks, Ns, illum, other maps) is not drawn.
    }
    return true;
}

bool ParseObj(std::string_view text, const MtlReader& readMtl, ObjModel& model, std::string& error)
{
    model = ObjModel{};
    std::vector<Vec3> positions;
    std::vector<Vec2> uvs;
    std::vector<Vec3> normals;
    bool warnedNormal = false;
    std::map<std::string, int> materialIndex;
    std::map<std::pair<std::string, int>, size_t> surfaceIndex;
    std::map<std::string, int> materialsPerGroup;
    std::string group = "default";
    int material = -1;
    size_t cornerCount = 0;

    auto useMaterial = [&](const std::string& name) {
        auto it = materialIndex.find(name);
        if (it != materialIndex.end())
            return it->second;
        model.warnings.push_back("material '" + name + "' is not defined; drawn grey");
        ObjMaterial m;
        m.name = name;
        model.materials.push_back(m);
        const int index = static_cast<int>(model.materials.size() - 1);
        materialIndex[name] = index;
        return index;
    };

    LineReader reader(text);
    std::string_view line;
    while (reader.Next(line)) {
        // A face too large is refused before its words are stored.
        if (line.size() > 2 * kMaxFaceCorners && line[0] == 'f' && IsSpace(line[1]) &&
            CountWords(line) - 1 > kMaxFaceCorners) {
            error = At(reader.Number(), "a face of " + std::to_string(CountWords(line) - 1) + " corners (at most " +
                                            std::to_string(kMaxFaceCorners) + ")");
            return false;
        }
        const std::vector<std::string> words = Split(line);
        if (words.empty())
            continue;
        const std::string& key = words[0];
        if (key == "v" || key == "vt" || key == "vn") {
            const size_t need = key == "vt" ? 1 : 3;
            if (words.size() < need + 1) {
                error = At(reader.Number(), key + " needs " + std::to_string(need) + " numbers");
                return false;
            }
            double value[3] = {0, 0, 0};
            for (size_t i = 0; i < 3 && i + 1 < words.size(); ++i) {
                if (!ParseNumber(words[i + 1], value[i])) {
                    error = At(reader.Number(), "'" + words[i + 1] + "' is not a number");
                    return false;
                }
            }
            if (positions.size() + uvs.size() + normals.size() >= kMaxVertices) {
                error = At(reader.Number(), "too many vertices (at most " + std::to_string(kMaxVertices) + ")");
                return false;
            }
            if (key == "v")
                positions.push_back(Vec3(value[0], value[1], value[2]));
            else if (key == "vn")
                normals.push_back(Vec3(value[0], value[1], value[2]));
            else
                uvs.push_back(Vec2{value[0], value[1]});
        } else if (key == "g" || key == "o") {
            std::string name = Rest(line, line.find(key) + 1);
            group = name.empty() ? "default" : name;
        } else if (key == "usemtl") {
            const std::string name = Rest(line, line.find("usemtl") + 6);
            if (name.empty()) {
                error = At(reader.Number(), "usemtl without a name");
                return false;
            }
            material = useMaterial(name);
        } else if (key == "mtllib") {
            const std::string name = Rest(line, line.find("mtllib") + 6);
            std::string mtl;
            if (name.empty() || !readMtl || !readMtl(name, mtl)) {
                model.warnings.push_back("material library '" + name + "' could not be read");
                continue;
            }
            std::vector<ObjMaterial> read;
            std::string mtlError;
            if (!ParseMtl(mtl, read, mtlError)) {
                error = name + ", " + mtlError;
                return false;
            }
            for (ObjMaterial& m : read) {
                if (materialIndex.count(m.name))
                    continue;  // the first definition wins
                model.materials.push_back(m);
                materialIndex[m.name] = static_cast<int>(model.materials.size() - 1);
            }
        } else if (key == "f") {
            if (words.size() < 4) {
                error = At(reader.Number(), "a face needs at least three vertices");
                return false;
            }
            const size_t corners = words.size() - 1;
            if (corners > kMaxFaceCorners) {
                error = At(reader.Number(), "a face of " + std::to_string(corners) + " corners (at most " +
                                                std::to_string(kMaxFaceCorners) + ")");
                return false;
            }
            cornerCount += corners;
            if (cornerCount > kMaxCorners) {
                error = At(reader.Number(), "too many face corners in the model (at most " +
                                                std::to_string(kMaxCorners) + ")");
                return false;
            }
            ObjFace face;
            face.positions.reserve(corners);
            bool allUv = true, allNormals = true;
            for (size_t i = 1; i < words.size(); ++i) {
                const std::string& w = words[i];
                const size_t slash = w.find('/');
                size_t vi = 0;
                if (!ParseIndex(w.substr(0, slash), positions.size(), vi)) {
                    error = At(reader.Number(), "vertex '" + w + "' does not name a defined vertex");
                    return false;
                }
                face.positions.push_back(positions[vi]);
                std::string uvWord, normalWord;
                if (slash != std::string::npos) {
                    const size_t slash2 = w.find('/', slash + 1);
                    uvWord = w.substr(slash + 1, slash2 == std::string::npos ? std::string::npos : slash2 - slash - 1);
                    if (slash2 != std::string::npos)
                        normalWord = w.substr(slash2 + 1);
                }
                // A normal index where the file has no `vn` at all is an
                // exporter's habit and is passed over; one that names no
                // defined normal among some is warned about once. Either way
                // the face is shaded as if it had none.
                size_t ni = 0;
                if (normalWord.empty() || !ParseIndex(normalWord, normals.size(), ni)) {
                    if (!normalWord.empty() && !normals.empty() && !warnedNormal) {
                        model.warnings.push_back(At(reader.Number(), "normal in '" + w +
                                                                         "' is not defined; shaded without it"));
                        warnedNormal = true;
                    }
                    allNormals = false;
                } else if (allNormals) {
                    face.normals.push_back(normals[ni]);
                }
                size_t ti = 0;
                if (uvWord.empty()) {
                    allUv = false;
                } else if (!ParseIndex(uvWord, uvs.size(), ti)) {
                    error = At(reader.Number(), "texture vertex in '" + w + "' is not defined");
                    return false;
                } else {
                    face.uvs.push_back(uvs[ti]);
                }
            }
            if (!allUv)
                face.uvs.clear();
            if (!allNormals)
                face.normals.clear();
            if (material < 0)
                material = useMaterial("default");
            const auto key2 = std::make_pair(group, material);
            auto it = surfaceIndex.find(key2);
            if (it == surfaceIndex.end()) {
                ObjSurface surface;
                const int n = ++materialsPerGroup[group];
                surface.name = n == 1 ? group : group + ":" + model.materials[material].name;
                surface.material = material;
                model.surfaces.push_back(std::move(surface));
                it = surfaceIndex.emplace(key2, model.surfaces.size() - 1).first;
            }
            model.surfaces[it->second].faces.push_back(std::move(face));
        }
        // s, l, p and the rest do not change what is drawn.
    }
    if (model.surfaces.empty()) {
        error = "the file has no face";
        return false;
    }
    return true;
}

}  // namespace walkhost
