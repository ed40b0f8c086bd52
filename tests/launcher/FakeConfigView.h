// The launcher's controls as plain state, for its logic on the scripted back end.
#pragma once

#include "framework/scripted/ScriptedPlatform.h"
#include "launcher/frmConfig.h"

#include <memory>
#include <string>
#include <vector>

struct FakeConfigView final : ConfigView {
    explicit FakeConfigView(std::shared_ptr<std::vector<std::string>> journal) : window("frmConfig", std::move(journal)) {}
    Window& Form() override { return window; }
    void SetInfoText(const std::string& text) override { Info = text; }
    void ClearModes() override { Modes.clear(), Selected = -1; }
    void AddMode(const std::string& text) override { Modes.push_back(text); }
    int ModeCount() const override { return static_cast<int>(Modes.size()); }
    int SelectedMode() const override { return Selected; }
    void SelectMode(int index) override { Selected = index, Events.cmbResModes_Click(); }
    bool SetWindowedValue(int value) override
    {
        const bool taken = value >= 0 && value <= 2;
        if (taken)
            Windowed = value, Events.chkWindowed_Click();
        return taken;
    }
    int WindowedValue() const override { return Windowed; }
    std::string SelectedText() const { return Selected < 0 ? "" : Modes.at(std::size_t(Selected)); }

    ScriptedWindow window;
    std::string Info;
    std::vector<std::string> Modes;
    int Selected = -1, Windowed = 0;
};
