-- What wixl 0.101 cannot write, added to the package by msibuild (installer/CMakeLists.txt runs
-- each statement in turn; a line starting with "--" is a comment, every other line one statement).
--
-- The registered "Dymo.LabelEngine", searched before anything is decided (its class id, or nothing).
INSERT INTO `RegLocator` (`Signature_`, `Root`, `Key`, `Type`) VALUES ('LabelEngineClass', 0, 'Dymo.LabelEngine\CLSID', 2)
INSERT INTO `AppSearch` (`Property`, `Signature_`) VALUES ('LABEL_ENGINE_CLASS', 'LabelEngineClass')
INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('AppSearch', 50)
INSERT INTO `InstallUISequence` (`Action`, `Sequence`) VALUES ('AppSearch', 50)
-- The built-in engine only where the ProgID is free or already ours.
UPDATE `Component` SET `Condition` = 'NOT LABEL_ENGINE_CLASS OR LABEL_ENGINE_CLASS = "{8114E17F-2D24-4F9A-828B-E820285CB5C4}"' WHERE `Component` = 'LabelEngine'
-- The folder the custom actions' programs run in (a Source of type 34 must be in this table).
INSERT INTO `Directory` (`Directory`, `Directory_Parent`, `DefaultDir`) VALUES ('SystemFolder', 'TARGETDIR', '.')
-- Custom actions: an executable in a folder (34), deferred (1024), as the system (2048); 64: its
-- exit code is not checked; 256: run only when the installation is rolled back.
-- Every running print service ends before files are removed or replaced: on uninstalling, and
-- when this package replaces an earlier one. (taskkill fails harmlessly where none runs.)
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('StopPrintService', 3170, 'SystemFolder', '"[SystemFolder]taskkill.exe" /F /IM vantory-service.exe')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('StopPrintService', 'REMOVE OR WIX_UPGRADE_DETECTED', 1550)
-- The engine's class and ProgID, by its own DllRegisterServer, once its file is in place; removed
-- before the file goes (DllUnregisterServer removes the ProgID only while it names our class).
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('UnregisterLabelEngine', 3170, 'SystemFolder', '"[SystemFolder]regsvr32.exe" /s /u "[INSTALLDIR]VirtualLabelEngine.dll"')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('UnregisterLabelEngine', '$LabelEngine = 2', 3450)
-- A registration that fails fails the installation, which then takes it back.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RollBackLabelEngine', 3426, 'SystemFolder', '"[SystemFolder]regsvr32.exe" /s /u "[INSTALLDIR]VirtualLabelEngine.dll"')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RollBackLabelEngine', '$LabelEngine = 3', 4049)
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RegisterLabelEngine', 3106, 'SystemFolder', '"[SystemFolder]regsvr32.exe" /s "[INSTALLDIR]VirtualLabelEngine.dll"')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RegisterLabelEngine', '$LabelEngine = 3', 4050)
