// Dialog 131 over three records in two categories, run with one action at a
// time as the user would work it.
#pragma once

#include "DialogTestUi.h"
#include "LibraryMaintenanceDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace librarydlg {

class MaintenanceFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        library.Append(TestRecord("r1", "c1/", "d1", "L1"));
        library.Append(TestRecord("r2", "c2/", "d2", "L2"));
        library.Append(TestRecord("r3", "c1/", "d3", "L3"));
    }

    // Runs the dialog on the library with one action; returns its result.
    INT_PTR Run(std::function<void(CLibraryMaintenanceDlg&)> action)
    {
        dialog = std::make_unique<CLibraryMaintenanceDlg>(library);
        dialog->changes = changes;
        ui.dialogActions.push_back([this, action](CDialog&) { action(*dialog); });
        return dialog->DoModal();
    }

    DialogTestUi ui;
    CombinationLibrary library;
    LibraryChanges* changes = nullptr;  // where the dialog records its changes
    std::unique_ptr<CLibraryMaintenanceDlg> dialog;
};

}  // namespace librarydlg
