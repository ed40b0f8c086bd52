// The launcher window: an information text, the adapter's display modes to choose from, the
// "Fake Fullscreen" option and the "Go!" button that starts the game. The choice is kept in a
// Settings record and saved beside the program whenever the launcher closes.
//
// frmConfig is the window's logic; it reaches the controls only through ConfigView, which a
// toolkit implements (launcher/qt/) and tests replace.
#pragma once

#include "framework/GameMode.h"
#include "framework/Platform.h"
#include "launcher/Settings.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What the launcher's controls report; the view calls these as the user acts.
struct ConfigEvents {
    std::function<void()> cmbResModes_Click;  // the list's selected entry changed
    std::function<void()> cmbResModes_Scroll; // the drop-down list scrolled
    std::function<void()> chkWindowed_Click;  // the check box's value changed
    std::function<void()> cmdGo_Click;
};

// The launcher's controls: lblInfo (label), cmbResModes (list of modes), chkWindowed (check box
// with a greyed third state) and cmdGo, in the window Form(). A close of that window by the user
// or the system runs its Handlers.QueryUnload, cannot be refused and, as no other window exists
// then, ends the program; its Unload (the start sequence's close) only takes it away.
class ConfigView {
public:
    virtual ~ConfigView() = default;
    virtual Window& Form() = 0;
    virtual void SetInfoText(const std::string& text) = 0;
    virtual void ClearModes() = 0;                     // raises no event
    virtual void AddMode(const std::string& text) = 0; // selects nothing, raises no event
    virtual int ModeCount() const = 0;
    virtual int SelectedMode() const = 0;  // 0-based, -1 when no entry is selected
    virtual void SelectMode(int index) = 0; // raises cmbResModes_Click when the selection changes
    // 0 unchecked, 1 checked, 2 greyed. Any other value is refused: false, nothing changes.
    // A change raises chkWindowed_Click.
    virtual bool SetWindowedValue(int value) = 0;
    virtual int WindowedValue() const = 0;

    ConfigEvents Events;
};

// The game's start as the launcher's "Go!" runs it: the chosen mode, and what to run once the
// device has started in it (the launcher saves the settings and closes itself there). It ends
// the program and does not return.
using GameStarter = std::function<void(const GameMode& mode, const std::function<void()>& deviceStarted)>;

class frmConfig {
public:
    // Connects the view's events to the handlers below; the view must outlive this object.
    // startGame is what "Go!" runs.
    frmConfig(ConfigView& view, GameStarter startGame);

    // The information text from Notes.txt, then the mode list and the saved choice. Of a longer
    // Notes.txt the label gets the first InfoTextLimit bytes (never a character cut in two) and
    // a last line "..." (in UTF-16 for a file in UTF-16).
    void Form_Load();
    // Lists the adapter's modes (refresh-rate repeats merged), reads the settings file and
    // selects the saved mode.
    void FillResModes();
    // Reads the settings; a file that cannot be read, or a check-box value other than 0, 1 or
    // 2, gives a message box and the defaults.
    void LoadConfig(const std::string& ConfigFile);
    // Writes the settings; a failed write gives a message box and changes nothing else.
    void SaveConfig(const std::string& ConfigFile);

    void cmbResModes_Click();
    // A non-editable list has no text of its own to change, so there is no cmbResModes_Change.
    void cmbResModes_Scroll();
    void chkWindowed_Click();
    // Starts the game in the chosen mode with the starter handed to the constructor; once the
    // device has started, the launcher saves the settings and closes. An unexpected error ends
    // the program in order. Does not return.
    void cmdGo_Click();
    // Every closing of the launcher saves the settings; it is never refused.
    void Form_QueryUnload();

    Settings Config;
    // For each display mode, its 1-based position in the list, or 0 when it repeats the mode
    // before it in everything but the refresh rate.
    std::vector<std::int32_t> ModeListPosition;

    // Far more than the label can show (a few hundred characters), and little enough to lay out
    // at once. Even, so that it never splits a 16-bit unit of UTF-16.
    static constexpr std::size_t InfoTextLimit = 16 * 1024;

    static constexpr const char* ConfigTitle = "No Configuration File";
    static constexpr const char* ReadErrorText =
        "Either this is the first time you have run this game, or else your configuration file has become "
        "corrupted. In any case, the program will lock into a low-quality graphics mode as default - it is "
        "recommended that you change this!";
    static constexpr const char* WriteErrorText =
        "Error writing configuration file to disk! Possible causes: you are running the disk off read-only media "
        "(such as CD-ROM) or the disk is full.";

private:
    std::string ConfigPath() const;

    ConfigView& view_;
    GameStarter startGame_;
    bool gameStarting_ = false;
};
