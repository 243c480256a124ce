#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace fakes {

// Dialogs answered from scripts. An input box with no scripted answer is cancelled (empty); a
// Yes/No box with no scripted answer is answered No. `whileOpen` runs inside every dialog, as the
// nested event loop of a real modal dialog would run other events.
class FakeDialogs final : public platform::Dialogs {
  public:
    struct Prompt {
        std::string prompt;
        std::string title;
        std::string defaultAnswer;
        bool masked = false;  // a password box
    };

    std::deque<std::string> answers;
    std::deque<bool> yesNoAnswers;
    std::deque<std::string> saveAnswers;   // paths chosen in save boxes
    std::vector<std::string> saveFilters;  // the kinds of file each save box offered
    std::vector<Prompt> prompts;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::function<void()> whileOpen;

    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override {
        return answer({prompt, title, defaultAnswer, false});
    }
    std::string passwordBox(const std::string& prompt, const std::string& title,
                            const std::string& defaultAnswer) override {
        return answer({prompt, title, defaultAnswer, true});
    }
    void messageBox(const std::string& text) override {
        messages.push_back(text);
        runWhileOpen();
    }
    std::string saveFileName(const std::string& title, const std::string&,
                             const std::string& filters) override {
        questions.push_back(title);
        saveFilters.push_back(filters);
        runWhileOpen();
        if (saveAnswers.empty()) {
            return {};
        }
        std::string path = saveAnswers.front();
        saveAnswers.pop_front();
        return path;
    }
    bool askYesNo(const std::string& text) override {
        questions.push_back(text);
        runWhileOpen();
        if (yesNoAnswers.empty()) {
            return false;
        }
        const bool yes = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return yes;
    }

  private:
    std::string answer(const Prompt& asked) {
        prompts.push_back(asked);
        runWhileOpen();
        if (answers.empty()) {
            return {};
        }
        std::string given = answers.front();
        answers.pop_front();
        return given;
    }
    void runWhileOpen() {
        if (whileOpen) {
            whileOpen();
        }
    }
};

}  // namespace fakes
