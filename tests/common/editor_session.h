// A fixture for the tests that drive the drawing editor: a store in a
// throwaway folder, scripted dialogs, and a session that opens the editor
// on a new drawing and runs the test's steps while it is shown.
#pragma once

#include "app/drawings_store.h"
#include "app/edit_frm.h"
#include "app/form_support.h"
#include "common/scripted_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace draxa::test {

class TEditorSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Remembered window places go to a throwaway settings file.
        QStandardPaths::setTestModeEnabled(true);
        AppSettings().remove(TEditForm::GeometryKey);
        ASSERT_TRUE(Dir.isValid());
        ASSERT_TRUE(Store.OpenSQLite(Dir.filePath(QStringLiteral("tdraxadb.db"))));
    }
    void TearDown() override { AppSettings().remove(TEditForm::GeometryKey); }

    // Runs a new-drawing session: the window appears, Steps act in it.
    TModalResult Session(const std::function<void(TEditForm&)>& Steps) {
        Script.QueueModal([Steps](QDialog& D) {
            auto& Edit = dynamic_cast<TEditForm&>(D);
            Edit.show();
            QApplication::processEvents();
            Steps(Edit);
            Edit.hide();
            return D.result();
        });
        return Edit.NewDrawing();
    }

    QTemporaryDir Dir;
    TScriptedDialogs Script;
    TScopedDialogs UseScript{Script};
    TDrawingsStore Store;
    TEditForm Edit{Store};
};

} // namespace draxa::test
