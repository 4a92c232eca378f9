// The .docx builder of the engine's tests, compiled into this suite too.
#include "platform/DocxBuilder.cpp"
