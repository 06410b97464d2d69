// The forms services in a browser: lookups and properties over the page's DOM,
// the events its script reports, and the description it takes the window up by.

#include "web_forms.h"

#include <emscripten.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace forms {

namespace {

WebForms *g_current = nullptr;

// What the page's script does to its elements; a control is its row's id.
// clang-format off
EM_JS(void, pageAdopt, (int rows), { Module.page.adopt(rows, Module); });
EM_JS(int, pageChecked, (int id), { return Module.page.checked(id) ? 1 : 0; });
EM_JS(void, pageMove, (int id, int left, int top), { Module.page.move(id, left, top); });
EM_JS(void, pageSetText, (int id, const char *text, int length), {
    Module.page.setText(id, UTF8ToString(text, length));
});
EM_JS(void, pageUnload, (), { Module.page.unload(); });
EM_JS(void, pageReport, (const char *text), { Module.page.report(UTF8ToString(text)); });
// clang-format on

class Json {
public:
    Json &raw(std::string_view text)
    {
        m_text += text;
        return *this;
    }
    // Numbers to a millionth, which is finer than any of the description's;
    // printf's formatting would add a seventh to the program's size.
    Json &number(double value)
    {
        const long long millionths = std::llround(value * 1e6);
        if (millionths < 0)
            m_text += '-';
        const unsigned long long magnitude = millionths < 0 ? 0ull - static_cast<unsigned long long>(millionths)
                                                            : static_cast<unsigned long long>(millionths);
        char buffer[24];
        m_text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, magnitude / 1000000).ptr);
        if (const unsigned long long fraction = magnitude % 1000000) {
            char digits[7] = "000000";
            for (int i = 5, f = int(fraction); i >= 0; --i, f /= 10)
                digits[i] = char('0' + f % 10);
            m_text += '.';
            m_text += digits;
        }
        return *this;
    }
    Json &string(std::string_view text)
    {
        m_text += '"';
        for (const char c : text) {
            if (c == '"' || c == '\\') {
                m_text += '\\';
                m_text += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                constexpr char kHex[] = "0123456789abcdef";
                m_text += "\\u00";
                m_text += kHex[c >> 4];
                m_text += kHex[c & 15];
            } else {
                m_text += c;
            }
        }
        m_text += '"';
        return *this;
    }
    Json &key(std::string_view name)
    {
        if (!m_text.empty() && m_text.back() != '{' && m_text.back() != '[')
            m_text += ',';
        return string(name).raw(":");
    }
    Json &item()
    {
        if (!m_text.empty() && m_text.back() != '[')
            m_text += ',';
        return *this;
    }
    std::string take() { return std::move(m_text); }

private:
    std::string m_text;
};

std::string_view kindName(Kind kind)
{
    switch (kind) {
    case Kind::PictureBox: return "PictureBox";
    case Kind::OptionButton: return "OptionButton";
    case Kind::Label: return "Label";
    case Kind::TextBox: return "TextBox";
    case Kind::RichTextBox: return "RichTextBox";
    case Kind::Frame: return "Frame";
    case Kind::CommandButton: return "CommandButton";
    }
    return "Unknown";
}

std::string_view systemName(SysColour c)
{
    switch (c) {
    case SysColour::InfoBackground: return "InfoBackground";
    case SysColour::WindowBackground: return "WindowBackground";
    case SysColour::WindowText: return "WindowText";
    case SysColour::ButtonFace: return "ButtonFace";
    case SysColour::ButtonText: return "ButtonText";
    }
    return "InfoBackground";
}

void colour(Json &json, std::string_view name, Colour c)
{
    json.key(name).raw("{");
    if (c.isSystem)
        json.key("system").string(systemName(c.system));
    else
        json.key("rgb").number(c.rgb);
    json.raw("}");
}

void rect(Json &json, const Rect &r)
{
    json.key("rect").raw("[").number(r.left).raw(",").number(r.top).raw(",").number(r.width).raw(",").number(r.height).raw("]");
}

void picture(Json &json, const PictureDesc &p)
{
    json.key("picture").raw("{").key("width").number(p.width).key("height").number(p.height);
    if (p.face) {
        const FaceDesc &f = *p.face;
        json.key("face").raw("{").key("word").string(f.word);
        json.key("box").raw("[").number(f.box.first).raw(",").number(f.box.last).raw(",").number(f.box.top).raw(",").number(f.box.bottom).raw("]");
        json.key("background").number(f.background).key("ink").number(f.ink).key("symbol").raw("[");
        for (const FaceShape &s : f.symbol) {
            json.item().raw("{").key("ellipse").raw(s.kind == FaceShape::Ellipse ? "true" : "false");
            json.key("left").number(s.left).key("top").number(s.top).key("width").number(s.width).key("height").number(s.height);
            json.key("colour").number(s.colour).key("smoothed").raw(s.smoothed ? "true" : "false").raw("}");
        }
        json.raw("]}");
    }
    json.raw("}");
}

} // namespace

WebForms::WebForms(const WindowDesc &desc) : m_desc(desc), m_index(desc)
{
    g_current = this;
}

WebForms::~WebForms()
{
    if (g_current == this)
        g_current = nullptr;
}

WebForms *WebForms::current()
{
    return g_current;
}

std::string WebForms::describe() const
{
    Json json;
    json.raw("{").key("form").raw("{").key("name").string(m_desc.form.name).key("caption").string(m_desc.form.caption);
    json.key("width").number(m_desc.form.clientWidth).key("height").number(m_desc.form.clientHeight);
    colour(json, "back", m_desc.form.back);
    json.raw("}").key("fonts").raw("[");
    for (const Font font : {Font::Dialog, Font::HeadingBold}) {
        const FontSize size = classicSize(font);
        json.item().raw("{").key("pixels").number(size.pixels).key("bold").raw(size.bold ? "true" : "false").raw("}");
    }
    json.raw("]").key("rows").raw("[");
    for (std::uint16_t id = 0; id < m_index.size(); ++id) {
        const ControlDesc &row = m_index.row(id);
        json.item().raw("{").key("id").number(id).key("kind").string(kindName(row.kind));
        json.key("name").string(row.name).key("index").number(row.index);
        json.key("parent").number(row.parent.empty() ? -1 : m_index.idOf(row.parent, row.parentIndex));
        rect(json, row.rect);
        json.key("caption").string(row.caption);
        colour(json, "fore", row.fore);
        colour(json, "back", row.back);
        json.key("font").number(int(row.font)).key("focus").number(row.focus).key("value").number(row.value);
        json.key("accessibleName").string(row.accessibleName);
        json.key("look").string(row.look == LabelLook::Fill ? "fill" : row.look == LabelLook::Box ? "box" : "text");
        json.key("centred").raw(row.align == Align::Centre ? "true" : "false").key("border").number(row.border);
        json.key("onClick").raw(row.onClick ? "true" : "false").key("onMouseDown").raw(row.onMouseDown ? "true" : "false");
        if (row.picture)
            picture(json, *row.picture);
        json.raw("}");
    }
    json.raw("]").key("focusOrder").raw("[");
    for (std::uint16_t id : m_index.focusOrder())
        json.item().number(id);
    json.raw("]}");
    return json.take();
}

void WebForms::show()
{
    // The page carries this window's description, which describe() wrote when the
    // page was made: writing it again at every start would be the longest part of
    // it where a browser runs the program in its interpreter at first (WebKit).
    // The page checks it against the number of rows the window has.
    pageAdopt(int(m_index.size()));
}

Status WebForms::lookupName(std::string_view name, Control &out)
{
    return m_index.lookupName(name, m_unloaded, out);
}

Status WebForms::lookupMember(std::string_view name, std::int16_t index, Control &out)
{
    return m_index.lookupMember(name, index, m_unloaded, out);
}

Status WebForms::value(Control c, std::int16_t &out)
{
    FORMS_CHECK(m_index.find(Operation::GetValue, c, Kind::OptionButton, m_unloaded));
    out = pageChecked(c.id) ? -1 : 0;
    return {};
}

Status WebForms::move(Operation op, Control c, float value)
{
    FORMS_CHECK(m_index.find(op, c, Kind::Label, m_unloaded));
    int pixels = 0;
    FORMS_CHECK(checkMove(op, value, m_index.row(c.id), pixels));
    // The page keeps the other coordinate; a style change is drawn at the next
    // frame, so Top then Left still moves the marker in one step.
    pageMove(c.id, op == Operation::SetLeft ? pixels : INT32_MIN, op == Operation::SetTop ? pixels : INT32_MIN);
    return {};
}

Status WebForms::setTop(Control c, float top)
{
    return move(Operation::SetTop, c, top);
}

Status WebForms::setLeft(Control c, float left)
{
    return move(Operation::SetLeft, c, left);
}

Status WebForms::setText(Control c, std::string_view utf8)
{
    FORMS_CHECK(m_index.find(Operation::SetText, c, m_index.textKind(c), m_unloaded));
    pageSetText(c.id, utf8.data(), int(utf8.size()));
    return {};
}

Status WebForms::unload()
{
    if (m_unloaded)
        return Status::failure(Operation::Unload, Fault::Unloaded, {}, kSingle);
    m_unloaded = true;
    pageUnload();
    return {};
}

void WebForms::click(std::uint16_t id)
{
    if (id < m_index.size() && m_index.row(id).onClick)
        finish(m_index.row(id).onClick(*this));
}

void WebForms::mouseDown(std::uint16_t id, const MouseDown &event)
{
    if (id < m_index.size() && m_index.row(id).onMouseDown)
        finish(m_index.row(id).onMouseDown(*this, event));
}

void WebForms::finish(const Status &status)
{
    if (status.ok())
        return;
    // The page says what failed in its one line and keeps the board, inert, for
    // the user to read: the program has ended.
    m_unloaded = true;
    pageReport(status.describe().c_str());
}

Pixels WebForms::pixels(std::uint16_t id, double ratio) const
{
    if (id >= m_index.size() || !m_index.row(id).picture || !m_index.row(id).picture->render)
        return {};
    return m_index.row(id).picture->render(ratio);
}

void WebForms::finishFace(std::uint16_t id, Pixels &face) const
{
    if (id >= m_index.size() || !m_index.row(id).picture || !m_index.row(id).picture->face)
        return;
    for (const FaceShape &shape : m_index.row(id).picture->face->symbol)
        if (!shape.smoothed)
            fillOnWholePixels(face.argb.data(), face.width, face.height, face.width, shape, face.ratio);
}

} // namespace forms

// The page's script calls these. Pictures travel as RGBA bytes, the order of a
// canvas's ImageData.
namespace {

// The last picture handed out, kept until the next.
std::vector<std::uint32_t> g_rgba;
int g_rgbaWidth = 0;
int g_rgbaHeight = 0;

// WebAssembly is little-endian: RGBA bytes read as one word are 0xAABBGGRR,
// which is 0xAARRGGBB with red and blue swapped.
constexpr std::uint32_t swapRedBlue(std::uint32_t p)
{
    return (p & 0xFF00FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16;
}

// In place: a picture's pixels are only ever handed out once.
void toRgba(forms::Pixels &&pixels)
{
    g_rgbaWidth = pixels.width;
    g_rgbaHeight = pixels.height;
    g_rgba = std::move(pixels.argb);
    for (std::uint32_t &p : g_rgba)
        p = swapRedBlue(p);
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void kzd_click(int id)
{
    if (auto *forms = forms::WebForms::current())
        forms->click(std::uint16_t(id));
}

EMSCRIPTEN_KEEPALIVE void kzd_mouse_down(int id, int button, int shift, float x, float y)
{
    if (auto *forms = forms::WebForms::current())
        forms->mouseDown(std::uint16_t(id), {std::uint16_t(button), std::uint16_t(shift), x, y});
}

// A row's pixel art at a ratio; its size from kzd_rgba_width and kzd_rgba_height.
EMSCRIPTEN_KEEPALIVE std::uint8_t *kzd_pixels(int id, double ratio)
{
    auto *forms = forms::WebForms::current();
    toRgba(forms ? forms->pixels(std::uint16_t(id), ratio) : forms::Pixels{});
    return reinterpret_cast<std::uint8_t *>(g_rgba.data());
}

// Takes the face the page drew (RGBA, width x height at a ratio), lays the
// whole-pixel shapes over it and hands it back the same way.
EMSCRIPTEN_KEEPALIVE std::uint8_t *kzd_finish_face(int id, const std::uint8_t *rgba, int width, int height, double ratio)
{
    forms::Pixels face{width, height, ratio, std::vector<std::uint32_t>(std::size_t(width) * std::size_t(height))};
    std::memcpy(face.argb.data(), rgba, face.argb.size() * 4);
    for (std::uint32_t &p : face.argb)
        p = swapRedBlue(p);
    if (auto *forms = forms::WebForms::current())
        forms->finishFace(std::uint16_t(id), face);
    toRgba(std::move(face));
    return reinterpret_cast<std::uint8_t *>(g_rgba.data());
}

EMSCRIPTEN_KEEPALIVE int kzd_rgba_width() { return g_rgbaWidth; }
EMSCRIPTEN_KEEPALIVE int kzd_rgba_height() { return g_rgbaHeight; }

EMSCRIPTEN_KEEPALIVE std::uint8_t *kzd_alloc(int bytes) { return static_cast<std::uint8_t *>(std::malloc(std::size_t(bytes))); }
EMSCRIPTEN_KEEPALIVE void kzd_free(std::uint8_t *p) { std::free(p); }

} // extern "C"
