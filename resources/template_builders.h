#pragma once
// The pieces dialog templates are built from: labelled controls in the rows of a group box,
// and the setup pages' groups, each with its documented ids. Templates of different pages
// share these so that the same group looks the same everywhere.

#include <vector>

#include "ui/DialogTemplate.h"

namespace res {

using Controls = std::vector<ui::ControlTemplate>;

void Group(Controls& c, int id, const char* caption, int row, int column, int rowSpan = 1);
// One control in a cell of a group's grid.
void Cell(Controls& c, int id, ui::ControlKind kind, const char* caption, int row, int column,
          int group, int columnSpan = 1);
// A labelled value selector: read-only edit and up-down.
void Selector(Controls& c, int group, int row, const char* label, int edit, int upDown);
// A labelled free-entry edit, with an up-down when `upDown` is not 0.
void Entry(Controls& c, int group, int row, const char* label, int edit, int upDown = 0);
// A labelled push-like check box.
void Toggle(Controls& c, int group, int row, const char* label, int id);
void Send(Controls& c, int group, int row, int id);
// The title static across the top of a setup page, and beside it (on a page of more than one
// column) the notice that its read-back failed, with a Retry.
void SetupTitle(Controls& c, int columns);

// The setup pages' groups at (row, column) of the page.
void TuningGroupTemplate(Controls& c, int row, int column);
void InputSelectGroupTemplate(Controls& c, int row, int column);
void AgcGroupTemplate(Controls& c, int row, int column);
void DeEmphasisGroupTemplates(Controls& c, int row, int column);  // and "SS-FM Invert" below it
void SubmodeGroupTemplate(Controls& c, const char* caption, int row, int column);
// "Filters/Carrier": channel pages have the AM and video filters too.
void FiltersGroupTemplate(Controls& c, int row, int column, bool channelFilters, int rowSpan = 1);
// The ids of one stream's input and output data groups (I, or the PSK pages' Q).
struct InputDataIds {
    int group, bitRate, pcmCode, pcmCodeUpDown, loop, loopUpDown, send;
};
struct OutputDataIds {
    int group, pcmCode, pcmCodeUpDown, clockPhase, clockPhaseUpDown, inverted;
};
extern const InputDataIds kInputDataIdsI;
extern const InputDataIds kInputDataIdsQ;
extern const OutputDataIds kOutputDataIdsI;
extern const OutputDataIds kOutputDataIdsQ;
void InputDataGroupTemplate(Controls& c, int row, int column, const char* caption = "Input Data",
                            const InputDataIds& ids = kInputDataIdsI);
void OutputDataGroupTemplate(Controls& c, int row, int column, const char* caption = "Output Data",
                             const OutputDataIds& ids = kOutputDataIdsI, int rowSpan = 1);
void ModIndexGroupTemplate(Controls& c, int row, int column, int rowSpan = 1);
void CombinerGroupTemplate(Controls& c, int row, int column, int rowSpan = 1);

}  // namespace res
