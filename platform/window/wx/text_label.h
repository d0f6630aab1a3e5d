// A static text control drawn by us, so that the two kinds of the template look alike on
// every toolkit: SS_LEFT wraps at word boundaries, SS_LEFTNOWORDWRAP keeps one line cut off at
// the right edge; SS_CENTERIMAGE centres a line vertically. Text beyond the control is clipped.
#pragma once

#include <wx/window.h>

class TextLabel : public wxWindow {
public:
    TextLabel(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
              const wxSize& size, uint32_t style);

    void SetLabel(const wxString& text) override;
    wxString GetLabel() const override { return m_text; }
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void OnPaint(wxPaintEvent& event);
    wxArrayString WrapLines(wxDC& dc) const;

    wxString m_text;
    uint32_t m_style;
};
