// The one kind of document the program opens: a data set measured or viewed in a child
// window. The document class registers its factory; until one is registered no document can
// be created, and the commands that create one stay disabled.
#pragma once

#include "shell/AppDocument.h"

#include <functional>
#include <memory>
#include <string>

class CDocTemplate {
public:
    using Factory = std::function<std::unique_ptr<AppDocument>()>;

    // The template's description: window title, file type name, filter, extension, ids.
    static constexpr const char* kDescription =
        "\nDelvora\nDelvora\nDelvora (*.rd3)\n.rd3\nDelvora.Document\nDelvora Document";

    void SetFactory(Factory factory) { m_factory = std::move(factory); }
    bool CanCreate() const { return static_cast<bool>(m_factory); }
    // A new document, or null when none can be made.
    std::unique_ptr<AppDocument> Create() const { return m_factory ? m_factory() : nullptr; }

private:
    Factory m_factory;
};
