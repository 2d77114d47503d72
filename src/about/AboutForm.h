#pragma once
// The About dialog: name and version, description, links, contact, picture and shortcut list.
#include "components/FocusStandIn.h"
#include "components/HotLink.h"
#include "framework/Edit.h"
#include "framework/Form.h"
#include "framework/Image.h"
#include "framework/Label.h"
#include "framework/Panel.h"

class TFAbout : public TForm {
public:
    explicit TFAbout(TComponent* owner);
    ~TFAbout() override;

    TPanel* Panel1;
    TImage* Image1;
    TLabel* Label1;
    TPanel* Panel2;
    THotLink* HotLink1;
    THotLink* HotLink2;
    TLabel* Label2;
    TPanel* Panel4;
    TMemo* Memo1;
    // The picture from the keyboard: Enter or Space opens the credits, as a double-click does.
    TFocusStandIn* Image1Key;

    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void Image1Click(TObject* sender);

    // Whether the picture has been decoded (it is, on the first showing).
    bool PictureLoaded() const { return FPictureLoaded; }

protected:
    void DoShow() override;

private:
    void ApplyDesign();
    void LoadPicture();
    bool FPictureLoaded = false;
};

extern TFAbout* FAbout;
