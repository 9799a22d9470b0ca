#pragma once
// The way down from a loaded definition document to its `record` element, and
// the data file's name, as the reader opens a survey. The messages belong to
// the reader; this gives it what each of them needs.
#include <string>
#include <string_view>

#include "platform/comptr.h"
#include "platform/dom.h"

namespace bvdformats {

struct SurveyRecord {
    enum class Outcome {
        Found,       // root and record are set
        RootNotBvd,  // rootName holds the local name found
        NoSurvey,    // no `survey` element among the root's children
        NoRecord,    // no `record` element among the survey's children
        DomFailure,  // a DOM call failed with hr
    };
    Outcome outcome = Outcome::DomFailure;
    HRESULT hr = S_OK;
    std::u16string rootName;
    ComPtr<IXMLDOMElement> root;
    ComPtr<IXMLDOMElement> record;
};

// The root must be named "bvd"; the first `survey` child of the root and the
// first `record` child of that survey are taken. Names are compared on their
// local name without regard to ASCII case; nodes that are not elements are
// passed over.
SurveyRecord FindSurveyRecord(IXMLDOMDocument* document);

// The data file of a definition path: the last full stop anywhere in the path
// and everything after it become ".asc"; a path without one gets ".asc"
// appended. (The full stop of a folder name counts when the file name has
// none, as in the original.)
std::string ReaderDataFilePath(std::string_view definitionPath);

}  // namespace bvdformats
