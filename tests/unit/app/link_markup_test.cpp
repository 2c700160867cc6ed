#include <gtest/gtest.h>

#include "app/link_markup.h"

TEST(LinkMarkup, BlanksInsideTheTagCutToOneOutsideKept) {
    EXPECT_EQ(LinkControlMarkup(L"%1\n\n For more information, click  <A  ID=\"idHELP\">here.</A> "
                                L"\n\nClick 'Cancel' to exit the Setup."),
              L"%1\n\n For more information, click  <A ID=\"idHELP\">here.</A> \n\nClick 'Cancel' "
              L"to exit the Setup.");
    EXPECT_EQ(LinkControlMarkup(L"<a  HREF=\"x  y\"   id=\"i\"  >t  u</a>"),
              L"<a HREF=\"x  y\" id=\"i\">t  u</a>");
}

TEST(LinkMarkup, WellFormedForeignAndUnclosedTextKept) {
    for (const wchar_t* text : {L" Read the <A ID=\"idTLRShape\">Tellura  Eula</A> before it",
                                L"<A>x</A>", L"a  <b  c>  d", L"", L"<A", L"<A  "}) {
        EXPECT_EQ(LinkControlMarkup(text), text);
    }
    EXPECT_EQ(LinkControlMarkup(L"<A  ID=\"open  x"), L"<A ID=\"open  x");
}
