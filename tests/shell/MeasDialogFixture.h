// The application built from the recording doubles, with a unit that answers, for the
// tests of the measurement dialogs.
#pragma once

#include "tests/shell/AppDoubles.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

class MeasDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.Start();
        app().m_status.m_bConnected = 1;
        h.log.clear();
        h.prompter.ids.clear();
    }
    CRavikApp& app() { return *h.app; }
    CMeasParamSet& params() { return h.app->m_params; }
    CMeasParam& channel(int slot, int ch) { return params().m_params[slot * 2 + ch]; }

    void AddPresets(std::initializer_list<const char*> names)
    {
        params().m_presets.clear();
        for (const char* name : names) {
            CMeasParam p;
            p.m_strName = name;
            params().AddPreset(p);
        }
    }

    template <typename T>
    static T* Find(QWidget& dlg, const char* name)
    {
        T* w = dlg.findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static QString Text(QWidget& dlg, const char* name) { return Find<QLineEdit>(dlg, name)->text(); }
    static void SetText(QWidget& dlg, const char* name, const QString& text)
    {
        Find<QLineEdit>(dlg, name)->setText(text);
    }
    // What the operator's choice in a drop-down list does.
    static void Choose(QWidget& dlg, const char* name, int index)
    {
        auto* combo = Find<QComboBox>(dlg, name);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    static QStringList Items(QWidget& dlg, const char* name)
    {
        QStringList items;
        auto* combo = Find<QComboBox>(dlg, name);
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }

    AppHarness h;
};
