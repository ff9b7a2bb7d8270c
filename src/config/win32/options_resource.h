// Control identifiers of the options dialog's templates (options_dialog.rc), shared by
// the dialog's code and the tests that drive it.
#pragma once

#define IDC_PAGECONTROL1 100

#define IDC_GROUPBOX1 200
#define IDC_LABEL1 201
#define IDC_EDIT1 202
#define IDC_LABEL2 203
#define IDC_EDIT2 204
#define IDC_LABEL14 205
#define IDC_EDIT3 206
#define IDC_BUTTON2 207
#define IDC_CHECKBOX1 208
#define IDC_CHECKBOX2 209
#define IDC_CHECKBOX3 210
#define IDC_SHAPE2 211
#define IDC_RADIOBUTTON3 212
#define IDC_CHECKBOX4 213
#define IDC_PANEL1 214
#define IDC_RADIOBUTTON1 215
#define IDC_RADIOBUTTON2 216
#define IDC_CHECKBOX5 217

#define IDC_GROUPBOX2 300
#define IDC_LINECOLORBUTTON1 301
#define IDC_LINECOLORBUTTON2 302
#define IDC_LINECOLORBUTTON3 303
#define IDC_LINECOLORBUTTON4 304
#define IDC_LINECOLORBUTTON5 305
#define IDC_LINECOLORBUTTON6 306
#define IDC_LINECOLORBUTTON7 307
#define IDC_LINECOLORBUTTON8 308
#define IDC_AUXLINECOLORBUTTON 309
#define IDC_GREYCOLORBUTTON 310
#define IDC_BACKGROUNDCOLORBUTTON 311
#define IDC_BUTTON1 312
#define IDC_COLORLABEL1 321  // 321-331: the colour buttons' labels, in the buttons' order
