#include "framework/scripted/ScriptedPlatform.h"

ScriptedWindow::ScriptedWindow(std::string name, std::shared_ptr<std::vector<std::string>> journal, int width,
                               int height)
    : name_(std::move(name)), journal_(std::move(journal)), width_(width), height_(height)
{
}

void ScriptedWindow::Show()
{
    if (journal_)
        journal_->push_back("Show " + name_);
    visible_ = loaded_;
}

void ScriptedWindow::Hide()
{
    if (journal_)
        journal_->push_back("Hide " + name_);
    visible_ = false;
}

void ScriptedWindow::SetFocus()
{
    if (journal_)
        journal_->push_back("SetFocus " + name_);
    if (loaded_)
        SetFocusState(true);
}

void ScriptedWindow::Unload()
{
    if (journal_)
        journal_->push_back("Unload " + name_);
    loaded_ = false;
    visible_ = false;
    focused_ = false;
}

void ScriptedWindow::Place(int left, int top, int width, int height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void ScriptedWindow::SetFocusState(bool focused)
{
    if (focused_ == focused)
        return;
    focused_ = focused;
    if (Handlers.FocusChanged)
        Handlers.FocusChanged(focused);
}

ScriptedPlatform::ScriptedPlatform(std::shared_ptr<std::vector<std::string>> journal)
    : Journal(journal ? std::move(journal) : std::make_shared<std::vector<std::string>>())
{
}

void ScriptedPlatform::MessageBox(std::string_view text, MessageBoxIcon icon, std::string_view title)
{
    Journal->push_back("MessageBox " + std::string(title));
    MessageBoxes.push_back({std::string(title), std::string(text), icon});
}

int ScriptedPlatform::ShowCursor(bool show)
{
    CursorCounter += show ? 1 : -1;
    Journal->push_back("ShowCursor(" + std::to_string(show ? 1 : 0) + ") -> " + std::to_string(CursorCounter));
    return CursorCounter;
}

void ScriptedPlatform::SetCursorPos(int x, int y)
{
    CursorX = x;
    CursorY = y;
    Journal->push_back("SetCursorPos(" + std::to_string(x) + ", " + std::to_string(y) + ")");
}

void ScriptedPlatform::DoEvents()
{
    ++DoEventsCount;
    Journal->push_back("DoEvents");
    if (OnDoEvents)
        OnDoEvents();
    std::deque<std::function<void()>> now;
    now.swap(pending_);
    for (auto& event : now)
        event();
}

std::uint32_t ScriptedPlatform::GetTickCount() { return TickSource ? TickSource() : Ticks; }

void ScriptedPlatform::EndProcess(int exitCode)
{
    Journal->push_back("EndProcess(" + std::to_string(exitCode) + ")");
    throw ProcessExit{exitCode};
}

std::unique_ptr<Window> ScriptedPlatform::CreateWindow(const WindowOptions& options)
{
    Journal->push_back("CreateWindow " + options.Title);
    auto window = std::make_unique<ScriptedWindow>(options.Title, Journal, options.Width, options.Height);
    CreatedWindows.push_back(window.get());
    return window;
}
