#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialogs.h"

namespace fakes {

// Dialogs answered from scripts. An input box with no scripted answer is cancelled (empty); a
// Yes/No box with no scripted answer is answered No. `whileOpen` runs inside every dialog that
// waits, as the nested event loop of a real modal dialog would run other events. A dialog that
// returns at once is answered within the call or, while `holdOpen` is set, by answerHeld().
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
    bool holdOpen = false;
    std::function<void()> held;  // the answer of the dialog left open

    void answerHeld() { std::exchange(held, {})(); }

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
        return next(saveAnswers);
    }
    void showMessageBox(const std::string& text) override { messages.push_back(text); }
    void openSaveFileName(const std::string& title, const std::string&, const std::string& filters,
                          std::function<void(const std::string&)> then) override {
        questions.push_back(title);
        saveFilters.push_back(filters);
        answerOrHold([this, then = std::move(then)] { then(next(saveAnswers)); });
    }
    void openYesNo(const std::string& text, std::function<void(bool)> then) override {
        questions.push_back(text);
        answerOrHold([this, then = std::move(then)] { then(next(yesNoAnswers)); });
    }

  private:
    void answerOrHold(std::function<void()> answer) {
        if (holdOpen) {
            held = std::move(answer);
        } else {
            answer();
        }
    }
    // The first scripted answer, taken; none (empty, No) when none is left.
    template <typename T>
    static T next(std::deque<T>& scripted) {
        if (scripted.empty()) {
            return T{};
        }
        T first = std::move(scripted.front());
        scripted.pop_front();
        return first;
    }
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
