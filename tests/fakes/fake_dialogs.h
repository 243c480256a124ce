#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace fakes {

// Dialogs answered from scripts. An input box with no scripted answer is cancelled (empty); a
// Yes/No box with no scripted answer is answered No. `whileOpen` runs inside every dialog that
// waits, as the nested event loop of a real modal dialog would run other events. A dialog that
// returns at once is counted in `shownOpen` and answered from within the call, or, while
// `holdOpen` is set, stays open until the test answers it with answerHeld().
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
    int shownOpen = 0;  // dialogs shown without waiting for the operator
    bool holdOpen = false;
    std::deque<std::function<void()>> held;  // the answers of the dialogs still open

    // The operator answers the dialog held longest, from the scripts.
    void answerHeld() {
        std::function<void()> answer = std::move(held.front());
        held.pop_front();
        answer();
    }

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
        return nextSaveAnswer();
    }
    void showMessageBox(const std::string& text) override {
        ++shownOpen;
        messages.push_back(text);
    }
    void openSaveFileName(const std::string& title, const std::string&, const std::string& filters,
                          std::function<void(const std::string&)> then) override {
        ++shownOpen;
        questions.push_back(title);
        saveFilters.push_back(filters);
        answerOrHold([this, then = std::move(then)] { then(nextSaveAnswer()); });
    }
    void openYesNo(const std::string& text, std::function<void(bool)> then) override {
        ++shownOpen;
        questions.push_back(text);
        answerOrHold([this, then = std::move(then)] {
            bool yes = false;
            if (!yesNoAnswers.empty()) {
                yes = yesNoAnswers.front();
                yesNoAnswers.pop_front();
            }
            then(yes);
        });
    }

  private:
    void answerOrHold(std::function<void()> answer) {
        if (holdOpen) {
            held.push_back(std::move(answer));
        } else {
            answer();
        }
    }
    std::string nextSaveAnswer() {
        if (saveAnswers.empty()) {
            return {};
        }
        std::string path = saveAnswers.front();
        saveAnswers.pop_front();
        return path;
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
