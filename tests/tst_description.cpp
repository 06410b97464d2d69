// Invariants of the window description, checked over every row of every table.

#include "app/window.h"
#include "platform/qt/qt_text.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QTest>

#include <map>
#include <set>
#include <string>

using forms::ControlDesc;
using forms::Kind;

namespace {

std::string id(const ControlDesc &d)
{
    std::string s(d.name);
    if (d.index != forms::kSingle) {
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "(" + string.
        s += '(';
        s += std::to_string(d.index);
        s += ')';
    }
    return s;
}

// Where a row lies in the window's client area: an objects cell is placed from
// its frame's corner.
QRect inWindow(const ControlDesc &row)
{
    QRect r(row.rect.left, row.rect.top, row.rect.width, row.rect.height);
    if (!row.parent.empty())
        for (const auto &table : app::kWindow.tables)
            for (const ControlDesc &parent : table)
                if (parent.name == row.parent && parent.index == row.parentIndex)
                    r.translate(parent.rect.left + parent.border, parent.rect.top + parent.border);
    return r;
}

std::vector<const ControlDesc *> allRows()
{
    std::vector<const ControlDesc *> rows;
    for (const auto &table : app::kWindow.tables)
        for (const ControlDesc &row : table)
            rows.push_back(&row);
    return rows;
}

} // namespace

class tst_Description : public QObject {
    Q_OBJECT

private slots:
    void namesAreUniqueAndGroupsDense();
    void parentsComeFirstAndHoldTheirChildren();
    void focusNumbersArePermutation();
    void exactlyOneSelectorIsSelected();
    void rowsAreComplete();
    void focusStopsDoNotOverlap();
    void tableRowsStandOnTheirSlotsLines();
    void pageCarriesEveryRow();
};

void tst_Description::namesAreUniqueAndGroupsDense()
{
    std::set<std::pair<std::string_view, int>> seen;
    std::map<std::string_view, std::set<int>> groups;
    for (const ControlDesc *row : allRows()) {
        QVERIFY2(seen.insert({row->name, row->index}).second, id(*row).c_str());
        if (row->index != forms::kSingle)
            groups[row->name].insert(row->index);
    }
    for (const auto &[name, indices] : groups) {
        // Members are numbered from 0 without gaps, and a group name is never also a single control.
        QCOMPARE(*indices.begin(), 0);
        QCOMPARE(*indices.rbegin(), int(indices.size()) - 1);
        QVERIFY2(!seen.count({name, forms::kSingle}), std::string(name).c_str());
    }
    QCOMPARE(app::kWindow.form.name, std::string_view("frmVorazIdezerIvuduru"));
}

void tst_Description::parentsComeFirstAndHoldTheirChildren()
{
    const forms::Rect client{0, 0, app::kWindow.form.clientWidth, app::kWindow.form.clientHeight};
    std::map<std::pair<std::string_view, int>, const ControlDesc *> built;
    for (const ControlDesc *row : allRows()) {
        forms::Rect bounds = client;
        const ControlDesc *parent = nullptr;
        if (!row->parent.empty()) {
            const auto it = built.find({row->parent, row->parentIndex});
            QVERIFY2(it != built.end(), (id(*row) + " has no parent built before it").c_str());
            parent = it->second;
            QVERIFY2(parent->kind == Kind::PictureBox || parent->kind == Kind::Frame, id(*row).c_str());
            bounds = {0, 0, parent->rect.width - 2 * parent->border, parent->rect.height - 2 * parent->border};
        }
        built[{row->name, row->index}] = row;
        // Markers move freely in the map box, which clips them; they start out of sight.
        if (parent && parent->kind == Kind::PictureBox) {
            const bool outOfSight = row->rect.left >= bounds.width || row->rect.top >= bounds.height;
            QVERIFY2(outOfSight, (id(*row) + " starts visible").c_str());
            continue;
        }
        const forms::Rect &r = row->rect;
        const bool inside = r.left >= 0 && r.top >= 0 && r.width > 0 && r.height > 0 && r.right() <= bounds.width &&
                            r.bottom() <= bounds.height;
        QVERIFY2(inside, (id(*row) + " lies outside its parent").c_str());
    }
}

void tst_Description::focusNumbersArePermutation()
{
    std::set<int> numbers;
    for (const ControlDesc *row : allRows()) {
        QVERIFY2(row->focus >= 0, (id(*row) + " has no focus number").c_str());
        QVERIFY2(numbers.insert(row->focus).second, (id(*row) + " repeats a focus number").c_str());
    }
    QCOMPARE(*numbers.begin(), 0);
    QCOMPARE(*numbers.rbegin(), int(numbers.size()) - 1);
}

void tst_Description::exactlyOneSelectorIsSelected()
{
    int selected = 0;
    for (const ControlDesc *row : allRows())
        if (row->kind == Kind::OptionButton && row->value != 0)
            ++selected;
    QCOMPARE(selected, 1);
}

void tst_Description::rowsAreComplete()
{
    for (const ControlDesc *row : allRows()) {
        const std::string what = id(*row);
        // Whatever a user can reach must be announced by name.
        if (forms::takesFocus(row->kind) || row->kind == Kind::Label)
            QVERIFY2(!row->accessibleName.empty(), what.c_str());
        if (row->kind == Kind::PictureBox)
            QVERIFY2(row->onMouseDown && row->picture && row->border > 0, what.c_str());
        if (row->kind == Kind::CommandButton)
            QVERIFY2(row->onClick && row->caption.empty(), what.c_str());
        if (row->picture)
            QVERIFY2((row->picture->render || row->picture->face) && row->picture->width > 0 && row->picture->height > 0, what.c_str());
        if (row->kind == Kind::Label && row->look == forms::LabelLook::Box)
            QVERIFY2(row->caption.size() == 1, what.c_str());
    }
}

void tst_Description::focusStopsDoNotOverlap()
{
    // Markers move freely over the map; every other control a user can reach has
    // a place of its own.
    std::vector<const ControlDesc *> stops;
    for (const ControlDesc *row : allRows())
        if (forms::takesFocus(row->kind))
            stops.push_back(row);
    for (std::size_t a = 0; a < stops.size(); ++a)
        for (std::size_t b = a + 1; b < stops.size(); ++b)
            QVERIFY2(!inWindow(*stops[a]).intersects(inWindow(*stops[b])),
                     (id(*stops[a]) + " overlaps " + id(*stops[b])).c_str());
}

void tst_Description::tableRowsStandOnTheirSlotsLines()
{
    // A combatant's cells and legend square stand on the line of its selector:
    // "Monster 3 HP" beside "Enemy 3", "Character 2 AC" beside "Player Character 2".
    int placed = 0;
    for (const ControlDesc *selector : allRows()) {
        if (selector->kind != Kind::OptionButton)
            continue;
        const std::string caption(selector->caption);
        std::string block = caption;
        block.replace(0, caption.rfind(' '), caption.rfind("Enemy", 0) == 0 ? "Monster" : "Character");
        for (const ControlDesc *row : allRows()) {
            const std::string name(row->accessibleName);
            const bool cell = row->kind == Kind::TextBox && name.rfind(block + ' ', 0) == 0;
            if (cell || (row->kind == Kind::Label && row->parent.empty() && name == caption + " legend")) {
                QVERIFY2(inWindow(*row).top() == inWindow(*selector).top(), (name + " is off its line").c_str());
                ++placed;
            }
        }
    }
    QCOMPARE(placed, 64 + 16);
}

void tst_Description::pageCarriesEveryRow()
{
    // The web page is built from the description its program writes; its markup
    // takes each row's place, caption, look, alignment, stop and handlers from it.
    const QString path = qEnvironmentVariable("KZD_PAGE");
    if (path.isEmpty())
        QSKIP("no web page built");
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray page = file.readAll(), open = R"(<script type="application/json" id="kzd-description">)";
    const qsizetype start = page.indexOf(open) + open.size();
    QVERIFY(start >= open.size());
    const QJsonArray carried = QJsonDocument::fromJson(page.mid(start, page.indexOf("</script>", start) - start))["rows"].toArray();
    std::map<std::pair<QString, int>, QJsonObject> byId;
    for (const QJsonValue &row : carried)
        byId[{row["name"].toString(), row["index"].toInt()}] = row.toObject();
    QCOMPARE(byId.size(), allRows().size());
    for (const ControlDesc *row : allRows()) {
        const QJsonObject got = byId[{forms::qs(row->name), row->index}];
        const char *look = row->look == forms::LabelLook::Fill ? "fill" : row->look == forms::LabelLook::Box ? "box" : "text";
        const QJsonArray place{row->rect.left, row->rect.top, row->rect.width, row->rect.height};
        const QJsonObject want{{"rect", place}, {"caption", forms::qs(row->caption)}, {"accessibleName", forms::qs(row->accessibleName)},
                               {"font", int(row->font)}, {"focus", row->focus}, {"value", row->value}, {"look", look},
                               {"centred", row->align == forms::Align::Centre}, {"border", row->border},
                               {"onClick", row->onClick != nullptr}, {"onMouseDown", row->onMouseDown != nullptr}};
        for (auto field = want.begin(); field != want.end(); ++field)
            QVERIFY2(got[field.key()] == field.value(), qPrintable(QString::fromStdString(id(*row)) + "'s " + field.key()));
    }
}

QTEST_APPLESS_MAIN(tst_Description)
#include "tst_description.moc"
