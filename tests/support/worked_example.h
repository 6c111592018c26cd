// The worked example of the lookup dialect: an autorun.ini and what each lookup answers in it.
#pragma once

namespace autorun::testing {

inline const char* const workedExampleLines[] = {
    "; start menu",
    "[Main]",
    "AppName =  Setup Menu  ",
    "ShowCaption=1",
    "Buttons=2",
    "",
    "[Button1]",
    "TopMargin=7",
    "  Top=120",
    "Left=40 ; pixels",
    "Action=RUN setup.exe wait",
    "[Button2]",
    "Top=",
    "; Left=300",
    "NABitmap=b2.bmp",
    "Action=SHELL open readme.txt [fast]",
    "Left=10",
};

struct WorkedAnswer {
    const char* section;
    const char* key;
    const char* value;
};

inline const WorkedAnswer workedExampleAnswers[] = {
    {"Main", "AppName", "Setup Menu"},
    {"main", "BUTTONS", "2"},
    {"Main", "Icon", ""},
    {"Button1", "Top", "7"},
    {"Button1", "Left", "40 ; pixels"},
    {"Button1", "Action", "RUN setup.exe wait"},
    {"Button2", "Top", ""},
    {"Button2", "Action", "SHELL open readme.txt"},
    {"Button2", "Left", ""},
    {"Button3", "Top", ""},
};

}  // namespace autorun::testing
