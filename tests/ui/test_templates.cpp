// Every dialog template of the console, walked: ids unique, groups that exist, complete lamp
// stacks, no two controls in one cell, and every control inside its group box once built.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "resources/templates.h"
#include "tests/support/ProgrammingErrors.h"
#include "ui/CDialog.h"

using ui::ControlKind;
using ui::ControlTemplate;

namespace {

std::string Where(const ui::DialogTemplate& t, const ControlTemplate& c) {
    return "template " + std::to_string(t.id) + ", control " + std::to_string(c.id) + " \"" +
           c.caption + "\"";
}

void CheckIdsAndGroups(const ui::DialogTemplate& t) {
    std::set<int> ids;
    std::set<int> groups;
    for (const ControlTemplate& c : t.controls) {
        if (c.kind == ControlKind::GroupBox) {
            groups.insert(c.id);
        }
        if (c.id != 0) {
            EXPECT_TRUE(ids.insert(c.id).second) << Where(t, c) << ": id used twice";
        }
    }
    for (const ControlTemplate& c : t.controls) {
        EXPECT_TRUE(c.group == 0 || groups.count(c.group) != 0)
            << Where(t, c) << ": no group box " << c.group;
        EXPECT_TRUE(c.kind != ControlKind::GroupBox || c.group == 0 || c.group != c.id)
            << Where(t, c) << ": a group inside itself";
    }
}

// Lamps in one cell are one lamp: two colours at least, each colour once. Any other control
// has its cells to itself.
void CheckCells(const ui::DialogTemplate& t) {
    std::map<std::tuple<int, int, int>, std::vector<const ControlTemplate*>> cells;
    for (const ControlTemplate& c : t.controls) {
        for (int r = c.row; r < c.row + c.rowSpan; ++r) {
            for (int k = c.column; k < c.column + c.columnSpan; ++k) {
                cells[{c.group, r, k}].push_back(&c);
            }
        }
    }
    for (const auto& [cell, controls] : cells) {
        if (controls.size() == 1) {
            continue;
        }
        std::set<int> icons;
        for (const ControlTemplate* c : controls) {
            EXPECT_EQ(c->kind, ControlKind::Lamp) << Where(t, *c) << ": shares its cell";
            EXPECT_TRUE(icons.insert(c->icon).second) << Where(t, *c) << ": colour twice";
        }
    }
    for (const ControlTemplate& c : t.controls) {
        if (c.kind == ControlKind::Lamp) {
            EXPECT_GE((cells[{c.group, c.row, c.column}].size()), 2u)
                << Where(t, c) << ": a lamp of one colour";
        }
    }
}

void CheckBuilt(const ui::DialogTemplate& t) {
    const testsupport::ProgrammingErrors errors;
    ui::CDialog dialog(t);
    for (const ControlTemplate& c : t.controls) {
        if (c.id == 0 || c.group == 0) {
            continue;
        }
        QWidget* box = dialog.Control(c.group);
        QWidget* control = dialog.Control(c.id);
        ASSERT_NE(control, nullptr) << Where(t, c);
        EXPECT_TRUE(box != nullptr && box->isAncestorOf(control)) << Where(t, c);
    }
    EXPECT_TRUE(errors.Texts().empty()) << "template " << t.id << ": " << errors.Texts()[0];
}

}  // namespace

TEST(Templates, EveryTemplateIsWellFormed) {
    std::set<int> templateIds;
    for (const ui::DialogTemplate* t : res::AllTemplates()) {
        EXPECT_TRUE(templateIds.insert(t->id).second) << "template id " << t->id << " twice";
        CheckIdsAndGroups(*t);
        CheckCells(*t);
        CheckBuilt(*t);
    }
}

TEST(Templates, AnIdTwiceInATemplateIsReported) {
    const ui::DialogTemplate twice{
        901, "", {{5, ControlKind::Label, "a", 0, 0}, {5, ControlKind::Label, "b", 1, 0}}};
    const testsupport::ProgrammingErrors errors;
    ui::CDialog dialog(twice);
    EXPECT_EQ(errors.Texts(), std::vector<std::string>{"template 901 has control id 5 twice"});
}
