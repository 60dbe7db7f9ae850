// A Prompter that remembers what the operator would have been shown.
#pragma once

#include "model/Prompter.h"

#include <string>
#include <vector>

class RecordingPrompter : public Prompter {
public:
    void message(int id) override { ids.push_back(id); }
    void errorMessage(int id) override
    {
        ids.push_back(id);
        errors.push_back(id);
    }
    bool askYesNo(int id) override
    {
        questions.push_back(id);
        return answer;
    }
    void messageText(const std::string& text) override { texts.push_back(text); }
    void errorText(const std::string& text) override
    {
        texts.push_back(text);
        errorTexts.push_back(text);
    }
    void ownerlessError(const std::string& caption, const std::string& text) override
    {
        texts.push_back(text);
        ownerlessErrors.push_back(caption + ": " + text);
    }

    std::vector<int> ids;        // message(id) and errorMessage(id) calls, in order
    std::vector<int> errors;     // errorMessage(id) calls alone
    std::vector<int> questions;  // askYesNo(id) calls, in order
    std::vector<std::string> texts;            // every text message, in order
    std::vector<std::string> errorTexts;       // errorText(text) calls alone
    std::vector<std::string> ownerlessErrors;  // ownerlessError as "caption: text"
    bool answer = true;          // what askYesNo answers
};
