// The scripted windowing platform: records message boxes, the cursor counter and every service
// call in a journal, delivers queued events when events are let through, reads a settable tick
// counter and clock, and turns "end the process" into a ProcessExit thrown to the caller.
#pragma once

#include "framework/Platform.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ScriptedWindow final : public Window {
public:
    ScriptedWindow(std::string name, std::shared_ptr<std::vector<std::string>> journal, int width = 640,
                   int height = 480);

    void Show() override;
    void Hide() override;
    void SetFocus() override;
    void Unload() override;
    bool IsLoaded() const override { return loaded_; }
    bool HasFocus() const override { return focused_; }
    int Left() const override { return left_; }
    int Top() const override { return top_; }
    int ClientWidth() const override { return width_; }
    int ClientHeight() const override { return height_; }

    void Place(int left, int top, int width, int height);
    void SetFocusState(bool focused); // as the window manager would: calls FocusChanged
    bool IsVisible() const { return visible_; }

private:
    std::string name_;
    std::shared_ptr<std::vector<std::string>> journal_;
    int left_ = 0;
    int top_ = 0;
    int width_;
    int height_;
    bool loaded_ = true;
    bool visible_ = false;
    bool focused_ = false;
};

struct RecordedMessageBox {
    std::string Title;
    std::string Text;
    MessageBoxIcon Icon;
};

class ScriptedPlatform final : public Platform {
public:
    explicit ScriptedPlatform(std::shared_ptr<std::vector<std::string>> journal = nullptr);

    void MessageBox(std::string_view text, MessageBoxIcon icon, std::string_view title) override;
    int ShowCursor(bool show) override;
    void SetCursorPos(int x, int y) override;
    void DoEvents() override;
    std::uint32_t GetTickCount() override;
    std::string AppPath() const override { return AppFolder; }
    std::time_t Now() override { return Clock; }
    std::unique_ptr<Window> CreateWindow(const WindowOptions& options) override;
    [[noreturn]] void EndProcess(int exitCode) override;

    // Events waiting for the next DoEvents; each runs once, in order. An event queued while
    // events are being delivered waits for the following DoEvents.
    void QueueEvent(std::function<void()> event) { pending_.push_back(std::move(event)); }

    std::shared_ptr<std::vector<std::string>> Journal;
    std::vector<RecordedMessageBox> MessageBoxes;
    int CursorCounter = 0;
    int CursorX = 0;
    int CursorY = 0;
    std::uint32_t Ticks = 0;
    // When set, the tick counter reads from here instead of Ticks.
    std::function<std::uint32_t()> TickSource;
    // Runs once at each DoEvents before the queued events (a test's view of "the user").
    std::function<void()> OnDoEvents;
    std::string AppFolder = ".";
    std::time_t Clock = 0;
    // Windows made through CreateWindow, in order (owned by their callers).
    std::vector<ScriptedWindow*> CreatedWindows;
    int DoEventsCount = 0;

private:
    std::deque<std::function<void()>> pending_;
};
