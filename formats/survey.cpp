#include "formats/survey.h"

#include "formats/dom_walk.h"

namespace bvdformats {
namespace {

// The first child element of `parent` named `name`, or null.
ComPtr<IXMLDOMElement> FirstChildNamed(IXMLDOMElement* parent, std::u16string_view name)
{
    dom::ChildElements children(parent);
    while (ComPtr<IXMLDOMElement> child = children.Next())
        if (dom::EqualsNoCaseAscii(dom::LocalName(child.get()), name)) return child;
    return nullptr;
}

}  // namespace

SurveyRecord FindSurveyRecord(IXMLDOMDocument* document)
{
    SurveyRecord found;
    try {
        dom::Check(document->get_documentElement(found.root.put()));
        if (!found.root) throw dom::DomCallFailed{E_POINTER};
        found.rootName = dom::LocalName(found.root.get());
        if (!dom::EqualsNoCaseAscii(found.rootName, u"bvd")) {
            found.outcome = SurveyRecord::Outcome::RootNotBvd;
            return found;
        }
        const ComPtr<IXMLDOMElement> survey = FirstChildNamed(found.root.get(), u"survey");
        if (!survey) {
            found.outcome = SurveyRecord::Outcome::NoSurvey;
            return found;
        }
        found.record = FirstChildNamed(survey.get(), u"record");
        found.outcome = found.record ? SurveyRecord::Outcome::Found : SurveyRecord::Outcome::NoRecord;
    } catch (const dom::DomCallFailed& failed) {
        found.outcome = SurveyRecord::Outcome::DomFailure;
        found.hr = failed.hr;
        found.record = nullptr;
    }
    return found;
}

std::string ReaderDataFilePath(std::string_view definitionPath)
{
    const size_t stop = definitionPath.rfind('.');
    std::string path(definitionPath.substr(0, stop));  // whole path when there is none
    path += ".asc";
    return path;
}

}  // namespace bvdformats
