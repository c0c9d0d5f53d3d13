#pragma once
// A page: a dialog embedded in the main window's page area. The page host calls only its two
// lifecycle hooks: RefreshFromDevice each time the page is made the visible page of its tab,
// and OnLeaving when it is hidden again. Its controls run through one rule engine.

#include "ui/CDialog.h"
#include "ui/PageRules.h"

namespace ui {

class CPage : public CDialog {
    Q_OBJECT
public:
    CPage(const DialogTemplate& dialogTemplate, QWidget* parent);

    virtual void RefreshFromDevice() {}
    virtual void OnLeaving() {}

    // Where the page writes its files.
    void SetProgramFolder(const std::string& folder) { m_strProgramFolder = folder; }
    const std::string& ProgramFolder() const { return m_strProgramFolder; }

protected:
    void AddRule(int id, Rule rule) { m_rules.Add(id, std::move(rule)); }
    void SetDrainInput(RuleEngine::DrainInput drain) { m_rules.SetDrainInput(std::move(drain)); }
    // Return (command 32771) runs the rule of `id`, as a click on it would.
    void SetEnterRuns(int id) { m_nEnterRuns = id; }
    RuleEngine& Rules() { return m_rules; }

    // Controls with a rule run it; the rest are left to the page's own handlers.
    void OnCommand(int id) override;
    void OnUpDownPosition(int id, int position) override;
    void OnSelectionChanged(int id, int row) override;

    std::string m_strProgramFolder;

private:
    RuleEngine m_rules{this};
    int m_nEnterRuns = 0;
};

}  // namespace ui
