// The launcher window in Qt Widgets: the banner across the top, the information text at the
// left, the "Graphics Settings" frame with the mode list and the "Fake Fullscreen" check box at
// the right, and "Go!" under it. It draws frmConfig's controls and forwards the user's actions.
#pragma once

#include "launcher/frmConfig.h"

#include <memory>

class QWidget;

class ConfigWindow final : public Window, public ConfigView {
public:
    ConfigWindow();
    ~ConfigWindow() override;
    ConfigWindow(const ConfigWindow&) = delete;
    ConfigWindow& operator=(const ConfigWindow&) = delete;

    Window& Form() override { return *this; }

    void Show() override;
    void Hide() override;
    void SetFocus() override;
    void Unload() override;
    bool IsLoaded() const override { return loaded_; }
    bool HasFocus() const override;
    int Left() const override;
    int Top() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;

    void SetInfoText(const std::string& text) override;
    void ClearModes() override;
    void AddMode(const std::string& text) override;
    int ModeCount() const override;
    int SelectedMode() const override;
    void SelectMode(int index) override;
    bool SetWindowedValue(int value) override;
    int WindowedValue() const override;

    // The top-level widget; its controls carry their names as object names.
    QWidget& Widget();

private:
    class Dialog;
    std::unique_ptr<Dialog> form_;
    bool loaded_ = true;
};
