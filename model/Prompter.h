// How model, link and GPS code ask the operator something or tell them of a failure.
// The windowed program shows message boxes; tools print; tests record. Worker threads
// never prompt: they raise flags that the user-interface thread reports.
#pragma once

#include <string>

class Prompter {
public:
    virtual ~Prompter() = default;
    // A modal message with an OK button; the text is MessageText(id).
    virtual void message(int id) = 0;
    // The same for a failure that the operator must see as an error (the error icon where
    // boxes have icons); elsewhere it is an ordinary message.
    virtual void errorMessage(int id) { message(id); }
    // A question with Yes and No buttons and, where boxes have icons, the exclamation icon
    // (the program asks only before it deletes something); true for Yes.
    virtual bool askYesNo(int id) = 0;
    // The few messages whose text is not in the string table.
    virtual void messageText(const std::string& text) = 0;
    // The same for a failure, shown as errorMessage shows its texts.
    virtual void errorText(const std::string& text) { messageText(text); }
    // A failure that concerns no window: an error box of its own with `caption` in place of
    // the program's title, owned by no window.
    virtual void ownerlessError(const std::string& /*caption*/, const std::string& text) { errorText(text); }
};
