#include "SchemeThumbnails.h"

#include "framework/Framework.h"
#include "library/ClientPage.h"
#include "library/Colour.h"
#include "library/CombinationLibrary.h"
#include "library/CombinationRecord.h"
#include "model/SurfaceMaterialStore.h"
#include "text/TextEncoding.h"
#include "text/UserPrompt.h"

#include <cstddef>
#include <cstring>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

constexpr uint32_t kUnreadableGrey = 0xC0C0C0;
constexpr int kHatchStep = 6;
constexpr std::size_t kLargestTextureFile = 64u << 20;
constexpr int kKeptTextureSize = 512;

uint32_t Pack(double r, double g, double b)
{
    auto byte = [](double c) { return static_cast<uint32_t>(std::clamp(c, 0.0, 1.0) * 255.0 + 0.5); };
    return (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

bool ReadFileBytes(const std::string& path, std::vector<unsigned char>& bytes)
{
    std::ifstream in(fw::Widen(path).c_str(), std::ios::binary);
    if (!in)
        return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || static_cast<std::size_t>(size) > kLargestTextureFile)
        return false;
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    return in.gcount() == size;
}

Picture Blank(int width, int height, uint32_t colour)
{
    Picture picture;
    picture.width = std::max(1, width);
    picture.height = std::max(1, height);
    picture.pixels.assign(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height), colour);
    return picture;
}

void Fill(Picture& target, int x0, int y0, int x1, int y1, uint32_t colour)
{
    for (int y = y0; y < y1; ++y)
        std::fill_n(target.pixels.begin() + y * target.width + x0, x1 - x0, colour);
}

}  // namespace

const Picture* CThumbnailPainter::Texture(const std::string& path)
{
    auto found = textures_.find(path);
    if (found != textures_.end())
        return found->second.get();
    std::unique_ptr<Picture> picture;
    std::vector<unsigned char> bytes;
    if (ReadFileBytes(path, bytes)) {
        int w = 0, h = 0, channels = 0;
        unsigned char* rgb =
            stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 3);
        if (rgb != nullptr && w > 0 && h > 0) {
            picture = std::make_unique<Picture>();
            picture->width = w;
            picture->height = h;
            picture->pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
            for (std::size_t i = 0; i < picture->pixels.size(); ++i)
                picture->pixels[i] = (uint32_t{rgb[i * 3]} << 16) | (uint32_t{rgb[i * 3 + 1]} << 8) | rgb[i * 3 + 2];
        }
        stbi_image_free(rgb);
        // A large picture is kept at a size that still fills the largest
        // card's band sharply, not at full size.
        if (picture && (picture->width > kKeptTextureSize || picture->height > kKeptTextureSize)) {
            const double scale = static_cast<double>(kKeptTextureSize) / std::max(picture->width, picture->height);
            *picture = Scaled(*picture, std::max(1, static_cast<int>(picture->width * scale)),
                              std::max(1, static_cast<int>(picture->height * scale)));
        }
    }
    return textures_.emplace(path, std::move(picture)).first->second.get();
}

Picture CThumbnailPainter::Bands(const MaterialSlot (&slots)[3], const std::string (&foundMaps)[3], int width,
                                 int height)
{
    Picture picture = Blank(width, height, 0);
    const int w = picture.width, h = picture.height;
    // Top to bottom: ceiling (slot 0) a quarter, wall (slot 2) a half, floor
    // (slot 1) a quarter.
    const int ceilingEnd = h / 4, wallEnd = h * 3 / 4;
    const struct {
        int slot, y0, y1;
    } bands[3] = {{0, 0, ceilingEnd}, {2, ceilingEnd, wallEnd}, {1, wallEnd, h}};
    for (const auto& band : bands) {
        const MaterialSlot& slot = slots[band.slot];
        const uint32_t colour = Pack(slot.color[0], slot.color[1], slot.color[2]);
        const Picture* texture = foundMaps[band.slot].empty() ? nullptr : Texture(foundMaps[band.slot]);
        if (texture != nullptr) {
            Cover(picture, 0, band.y0, w, band.y1, *texture);
            continue;
        }
        Fill(picture, 0, band.y0, w, band.y1, colour);
        if (slot.mapFile[0][0] != '\0')
            Hatch(picture, 0, band.y0, w, band.y1, colour);
    }
    return picture;
}

Picture CThumbnailPainter::TextureCard(const std::string& path, int width, int height)
{
    Picture picture = Blank(width, height, kUnreadableGrey);
    const int w = picture.width, h = picture.height;
    if (const Picture* texture = Texture(path))
        Cover(picture, 0, 0, w, h, *texture);
    else
        Hatch(picture, 0, 0, w, h, kUnreadableGrey);
    return picture;
}

void CThumbnailPainter::Cover(Picture& target, int x0, int y0, int x1, int y1, const Picture& source)
{
    const int w = x1 - x0, h = y1 - y0;
    if (w <= 0 || h <= 0 || source.Empty())
        return;
    // Source pixels per target pixel, the same in both directions.
    const double scale = std::min(static_cast<double>(source.width) / w, static_cast<double>(source.height) / h);
    const double left = (source.width - w * scale) / 2.0;
    const double top = (source.height - h * scale) / 2.0;
    const int samples = std::clamp(static_cast<int>(scale), 1, 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t r = 0, g = 0, b = 0;
            for (int sy = 0; sy < samples; ++sy) {
                const int py = std::clamp(static_cast<int>(top + (y + (sy + 0.5) / samples) * scale), 0,
                                          source.height - 1);
                for (int sx = 0; sx < samples; ++sx) {
                    const int px = std::clamp(static_cast<int>(left + (x + (sx + 0.5) / samples) * scale), 0,
                                              source.width - 1);
                    const uint32_t p = source.pixels[static_cast<std::size_t>(py) * source.width + px];
                    r += Channel(p, 16);
                    g += Channel(p, 8);
                    b += Channel(p, 0);
                }
            }
            const uint32_t n = static_cast<uint32_t>(samples * samples);
            target.pixels[static_cast<std::size_t>(y0 + y) * target.width + x0 + x] =
                ((r / n) << 16) | ((g / n) << 8) | (b / n);
        }
    }
}

Picture CThumbnailPainter::Scaled(const Picture& source, int width, int height)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    Cover(picture, 0, 0, width, height, source);
    return picture;
}

void CThumbnailPainter::Hatch(Picture& target, int x0, int y0, int x1, int y1, uint32_t base)
{
    const double lrv = LightReflectance({Channel(base, 16) / 255.0, Channel(base, 8) / 255.0, Channel(base, 0) / 255.0});
    const uint32_t line = lrv > 40.0 ? 0x404040 : 0xE0E0E0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if ((x + y) % kHatchStep == 0)
                target.pixels[static_cast<std::size_t>(y) * target.width + x] = line;
}

bool CThumbnailPainter::Uniform(const Picture& picture)
{
    if (picture.Empty())
        return true;
    const uint32_t first = picture.pixels[0] & 0xFFFFFF;
    return std::all_of(picture.pixels.begin(), picture.pixels.end(),
                       [first](uint32_t p) { return (p & 0xFFFFFF) == first; });
}

namespace {

// A device context's 32-bit DIB section of the given size, as a picture.
class CaptureSurface {
public:
    CaptureSurface(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_.CreateCompatibleDC(nullptr);
        bitmap_.Attach(CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
    }
    bool Ready() const { return bits_ != nullptr && dc_.GetSafeHdc() != nullptr; }
    HDC Dc() const { return dc_; }
    const CBitmap& Bitmap() const { return bitmap_; }
    Picture Take() const
    {
        GdiFlush();
        Picture picture;
        picture.width = width_;
        picture.height = height_;
        const uint32_t* pixels = static_cast<const uint32_t*>(bits_);
        picture.pixels.assign(pixels, pixels + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
        for (uint32_t& p : picture.pixels)
            p &= 0xFFFFFF;
        return picture;
    }

private:
    int width_, height_;
    CMemoryDC dc_;
    CBitmap bitmap_;
    void* bits_ = nullptr;
};

}  // namespace

Picture CaptureWindowClient(HWND window)
{
    RECT client{};
    if (window == nullptr || !::GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
        return Picture();
    CaptureSurface surface(client.right, client.bottom);
    if (!surface.Ready())
        return Picture();
    {
        CSelectGuard select(surface.Dc(), surface.Bitmap());
        ::PrintWindow(window, surface.Dc(), PW_CLIENTONLY);
    }
    Picture picture = surface.Take();
    if (!CThumbnailPainter::Uniform(picture))
        return picture;

    // Nothing drawn for PrintWindow: copy what the screen shows there.
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    HDC screen = ::GetDC(nullptr);
    {
        CSelectGuard select(surface.Dc(), surface.Bitmap());
        ::BitBlt(surface.Dc(), 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    }
    ::ReleaseDC(nullptr, screen);
    picture = surface.Take();
    return CThumbnailPainter::Uniform(picture) ? Picture() : picture;
}

void DrawPicture(HDC dc, int x, int y, const Picture& picture)
{
    if (picture.Empty())
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(picture.width), static_cast<DWORD>(picture.height), 0, 0, 0,
                        static_cast<UINT>(picture.height), picture.pixels.data(), &info, DIB_RGB_COLORS);
}

// ---- Room views ------------------------------------------------------------

namespace {

// Two values of a material are the same: texture maps by their text, every
// other member bit for bit (the members after the maps have no padding).
bool SameMaterial(const OriginalMaterial& a, const OriginalMaterial& b)
{
    for (std::size_t i = 0; i < std::size(a.mapFile); ++i)
        if (std::strcmp(a.mapFile[i].Text(), b.mapFile[i].Text()) != 0)
            return false;
    constexpr std::size_t kPlain = offsetof(OriginalMaterial, params1);
    static_assert(sizeof(OriginalMaterial) - kPlain ==
                      sizeof a.params1 + sizeof a.color + sizeof a.params2 + sizeof a.triple + sizeof a.params3 +
                          sizeof a.vector + sizeof a.params4 + sizeof a.triples + sizeof a.params5 + sizeof a.params6,
                  "no padding between the plain members");
    return std::memcmp(reinterpret_cast<const char*>(&a) + kPlain, reinterpret_cast<const char*>(&b) + kPlain,
                       sizeof(OriginalMaterial) - kPlain) == 0;
}

}  // namespace

bool RoomViewCapture::Begin()
{
    captured_.clear();
    for (const SurfaceClassEntry& entry : surfaceClasses) {
        CapturedMaterial material;
        material.handle = entry.materialHandle;
        material.surfaceClass = entry.surfaceClass;
        if (!HV_GetMaterial(entry.materialHandle, &material.original))
            continue;
        material.lastSet = material.original;
        captured_.push_back(std::move(material));
    }
    return !captured_.empty();
}

void RoomViewCapture::Capture(const MaterialSlot (&slots)[3], HWND view, Picture& shot)
{
    for (int part = Ceiling; part <= Wall; ++part) {
        OriginalMaterial material;
        SlotToMaterial(slots[part], material);
        for (const CapturedMaterial& captured : captured_)
            if (captured.surfaceClass == part)
                HV_SetMaterial(captured.handle, &material);
    }
    HV_CalculateSurfaceColor();
    HV_Redraw();
    // What the host holds now, whatever it made of the values written.
    for (CapturedMaterial& captured : captured_)
        HV_GetMaterial(captured.handle, &captured.lastSet);
    ::UpdateWindow(view);
    shot = CaptureWindowClient(view);
}

bool RoomViewCapture::ModelUnchanged() const
{
    for (const CapturedMaterial& captured : captured_) {
        OriginalMaterial now;
        if (!HV_GetMaterial(captured.handle, &now) || !SameMaterial(now, captured.lastSet))
            return false;
    }
    return true;
}

void RoomViewCapture::End(bool restore)
{
    if (restore && !captured_.empty() && ModelUnchanged()) {
        for (CapturedMaterial& captured : captured_)
            HV_SetMaterial(captured.handle, &captured.original);
        HV_CalculateSurfaceColor();
        HV_Redraw();
    }
    captured_.clear();
}

// ---- Paint decks -----------------------------------------------------------

const char* const kNoPaintDeckText = "不显示色卡";
const char* const kPaintDeckUnreadableFormat = "色卡文件读取出错，这套色卡没有列出：\n%1";

namespace {

std::string chosenDeckName;

}  // namespace

std::shared_ptr<const engine::DeckShelf> ReadPanelPaintDecks()
{
    auto read = std::make_shared<engine::DeckShelf>();
    const std::string folder = fw::FolderOfPath(fw::ModuleFileName(fw::ThisModule())) + "paints\\";
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(fw::Widen(folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                names.push_back(found.cFileName);
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    std::sort(names.begin(), names.end());
    for (const std::wstring& wide : names) {
        const std::string name = fw::Narrow(wide);
        const std::size_t dot = name.rfind('.');
        std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (extension != "ase" && extension != "gpl" && extension != "csv")
            continue;
        std::ifstream in(fw::Widen(folder + name).c_str(), std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Decks and their errors are UTF-8, the file's name with them.
        std::string utf8Name;
        if (!Cp936ToUtf8(name, utf8Name))
            utf8Name = name;
        read->Add(content, utf8Name);
    }
    for (const std::string& error : read->errors) {
        std::string shown;
        if (!Utf8ToCp936(error, shown))
            shown = error;
        Prompt(fw::ReplacePlaceholder(kPaintDeckUnreadableFormat, shown));
    }
    return read;
}

const PaintDeck* ChosenDeck(const engine::DeckShelf& shelf)
{
    if (chosenDeckName.empty())
        return nullptr;
    for (const PaintDeck& deck : shelf.decks)
        if (deck.name == chosenDeckName)
            return &deck;
    return nullptr;
}

void FillDeckBox(HWND box, const engine::DeckShelf& shelf)
{
    ::SendMessageW(box, CB_RESETCONTENT, 0, 0);
    ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fw::Widen(kNoPaintDeckText).c_str()));
    int selected = 0;
    for (std::size_t i = 0; i < shelf.decks.size(); ++i) {
        std::string name;
        if (!Utf8ToCp936(shelf.decks[i].name, name))
            name = shelf.decks[i].name;
        ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fw::Widen(name).c_str()));
        if (&shelf.decks[i] == ChosenDeck(shelf))
            selected = static_cast<int>(i) + 1;
    }
    ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

const PaintDeck* TakeDeckBoxChoice(HWND box, const engine::DeckShelf& shelf)
{
    const int selected = static_cast<int>(::SendMessageW(box, CB_GETCURSEL, 0, 0));
    chosenDeckName = selected > 0 && selected <= static_cast<int>(shelf.decks.size())
                         ? shelf.decks[static_cast<std::size_t>(selected - 1)].name
                         : std::string();
    return ChosenDeck(shelf);
}

std::string PicturePng(const Picture& picture)
{
    return PngOfPixels(picture.width, picture.height, picture.pixels);
}
