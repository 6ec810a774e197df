// "設定の保存": asks for a file name and saves the dialog's values there.
#pragma once

void SaveSettingsWithDialog();
