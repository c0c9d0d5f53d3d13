#pragma once
// Dialog templates: every control of a window with its numeric id, kind, caption and place.
// Templates are data (kept in resources/); CDialog builds widgets from them.

#include <vector>

namespace ui {

enum class ControlKind {
    Label,         // static text
    Edit,          // single-line edit
    ReadOnlyEdit,  // edit the operator cannot type into
    Button,        // push button
    CheckBox,
    PushLikeCheck,  // check box drawn as a button that stays down
    RadioButton,
    GroupBox,  // frames the controls whose group is its id
    UpDown,    // up-down arrows with a range and a position
    ListBox,
    ListView,  // rows of columns; the caption lists the column titles, separated by '|'
    Progress,
    VerticalProgress,
    ComboBox,    // drop-down list; reports the operator's picks
    Lamp,        // one colour of a lamp: controls in the same cell form its stack
    IpAddress,   // four numbers 0 to 255
    TabControl,  // tabs over the pages; the caption lists the tab titles, separated by '|'
    PageArea,    // where the pages of a page host appear
    Chart,       // a StripChart: panels of series against time, drawn from what it is given
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* caption;
    int row;
    int column;
    int rowSpan = 1;
    int columnSpan = 1;
    int group = 0;  // id of the group box it stands in; 0: the dialog itself
    int icon = 0;   // lamps: icon id (131 green, 132 grey, 133 red, 144 yellow)
};

struct DialogTemplate {
    int id;
    const char* title;
    std::vector<ControlTemplate> controls;
};

}  // namespace ui
