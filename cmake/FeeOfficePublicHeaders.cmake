# The module's public headers, relative to src/: what a host may include,
# installed under include/feeoffice with the same paths. Everything else in
# src/ is internal: a public header includes only public ones (the install
# test compiles each alone against the installed tree).
set(FEEOFFICE_PUBLIC_HEADERS
    # values, result sets, connections, the engine interface
    db/values/Currency.h db/values/DateTime.h db/values/Value.h
    db/DbError.h db/PackedRows.h db/Recordset.h db/Statement.h db/Engine.h db/EngineRegistry.h
    db/Connection.h db/PreparedStatements.h db/sql/SqlText.h
    # what the module requires of its host
    host/api/AuditTrail.h host/api/DbInfo.h host/api/HostSystem.h host/api/MessageService.h
    host/api/ModuleGlobals.h host/api/PeriodObject.h host/api/Rights.h
    host/api/SettingsCollection.h host/api/SettingsStore.h
    # the database session, fee databases, the postings' plans (previews)
    data/myDB.h data/FeeDatabase.h data/posting/PostingPlan.h
    # the public classes and the entry points
    bills/cLsBILLhead.h bills/ReceiptPrinter.h
    batch/clsJMhead.h batch/clsJMmx.h batch/clsYF.h
    module/ModuleEntries.h
    # the window-control abstraction and the headless binding
    ui/Form.h ui/FormInstance.h ui/FormRegistry.h ui/UiServices.h ui/SiblingServices.h
    ui/controls/CheckBox.h ui/controls/ComboBox.h ui/controls/CommandButton.h ui/controls/Control.h
    ui/controls/ControlArray.h ui/controls/DataGrid.h ui/controls/DatePicker.h ui/controls/FlexGrid.h
    ui/controls/KeyCodes.h ui/controls/Label.h ui/controls/Layout.h ui/controls/ListBox.h
    ui/controls/ListView.h ui/controls/Menu.h ui/controls/OptionButton.h ui/controls/Panel.h
    ui/controls/ProgressBar.h ui/controls/TextBox.h ui/controls/TreeView.h
    ui/headless/HeadlessUi.h)
# The Qt binding's, the only public headers that may name Qt.
set(FEEOFFICE_QT_PUBLIC_HEADERS qt/QtUi.h)
