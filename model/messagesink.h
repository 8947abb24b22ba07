#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// Where the program's message boxes go: a modal box in the window, a recorder in tests,
/// the error stream in the command-line tool. Every box has an OK button only.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    /// Shows one message; returns when the user has acknowledged it.
    virtual void show(std::string_view caption, std::string_view text) = 0;
};

/// Keeps every message instead of showing it, as (caption, text) pairs in the order shown: for
/// the command-line tool, which reports them afterwards, and for tests.
class RecordingSink : public MessageSink
{
public:
    void show(std::string_view caption, std::string_view text) override
    {
        messages.emplace_back(std::string(caption), std::string(text));
    }
    std::vector<std::pair<std::string, std::string>> messages;
};

/// Where busy texts go while long work runs: the main window's status line, or nowhere.
class StatusSink
{
public:
    virtual ~StatusSink() = default;
    /// Shows a busy text such as "I'm reading frames, please wait!".
    virtual void showBusy(std::string_view text) = 0;
    /// Shows the frame counter again.
    virtual void showCounter() = 0;
};
