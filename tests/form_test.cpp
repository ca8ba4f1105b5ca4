// The form as a host: which control a click reaches, and what it asks to have redrawn.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "host/form.h"
#include "playfield/layout.h"

namespace fenwing {
namespace {

// The laid-out form with every image counting its own clicks.
class FormTest : public ::testing::Test {
  protected:
    FormTest() {
        for (VisualControl* c : form->stacking())
            if (auto* image = dynamic_cast<Image*>(c))
                image->onClick = [this, name = image->name()] { ++clicks[name]; };
    }
    void show(const char* name, float left, float top) {
        Image& image = form->image(name);
        image.setLeft(left);
        image.setTop(top);
        image.setVisible(true);
    }
    std::unique_ptr<Form> form = buildForm1();
    std::map<std::string, int> clicks;
};

TEST_F(FormTest, AShownDuckOverTheFieldTakesTheClick) {
    show("ImgDuck1", 3000, 3000);
    form->clickAt(3000, 3000);  // its top-left corner
    form->clickAt(4304, 3899);  // its last twip inside
    EXPECT_EQ(clicks, (std::map<std::string, int>{{"ImgDuck1", 2}}));
    form->clickAt(4305, 3899);  // just right of it: the field
    form->clickAt(3000, 3900);  // just below it
    EXPECT_EQ(clicks["imgField"], 2);
    EXPECT_EQ(clicks["ImgDuck1"], 2);
}

TEST_F(FormTest, AHiddenDuckGetsNoClick) {
    // ImgDuck1 lies at its layout place, hidden; the field behind it is hit instead.
    form->clickAt(2000, 9500);
    EXPECT_EQ(clicks, (std::map<std::string, int>{{"imgField", 1}}));
    form->click(form->image("ImgDuck1"));  // even when clicked by name
    EXPECT_EQ(clicks.count("ImgDuck1"), 0u);
}

TEST_F(FormTest, FrontmostControlWinsWhereShownImagesOverlap) {
    show("ImgDuck1", 5000, 5000);
    show("Imgduck2", 5000, 5000);
    show("ImgAmmo", 5100, 5100);
    show("ImgClock", 5200, 5200);
    EXPECT_EQ(form->controlAt(5300, 5300)->name(), "ImgAmmo");  // the crate is frontmost
    EXPECT_EQ(form->controlAt(5750, 5750)->name(), "ImgClock");
    form->clickAt(5150, 5150);  // crate in front of both ducks
    form->clickAt(5050, 5050);  // duck 2 in front of duck 1
    EXPECT_EQ(clicks, (std::map<std::string, int>{{"ImgAmmo", 1}, {"Imgduck2", 1}}));
}

struct Recorder : RepaintSink {
    std::vector<Rect> areas;
    void invalidate(const Rect& area) override { areas.push_back(area); }
};

TEST_F(FormTest, OnlyShownControlsAskToBeRedrawn) {
    Recorder sink;
    form->setRepaintSink(&sink);
    Image& duck = form->image("ImgDuck1");
    Label& countdown = form->label("LblAmmo");
    // Hidden: moving, repicturing and recaptioning are invisible.
    duck.setLeft(3000);
    duck.setPicture(&form->picture("duck-dead"));
    countdown.setCaption("-3");
    EXPECT_TRUE(sink.areas.empty());

    duck.setVisible(true);  // showing: its place once
    EXPECT_EQ(sink.areas, (std::vector<Rect>{{3000, 9360, 1305, 900}}));
    sink.areas.clear();
    duck.setTop(9000);  // moving a shown one: where it was and where it is
    EXPECT_EQ(sink.areas, (std::vector<Rect>{{3000, 9360, 1305, 900}, {3000, 9000, 1305, 900}}));
    sink.areas.clear();
    duck.setTop(9000);  // no change, no redraw
    duck.setVisible(true);
    EXPECT_TRUE(sink.areas.empty());
    duck.setPicture(&form->picture("duck-left"));
    EXPECT_EQ(sink.areas, (std::vector<Rect>{{3000, 9000, 1305, 900}}));
    sink.areas.clear();
    duck.setVisible(false);  // hiding: where it was
    EXPECT_EQ(sink.areas, (std::vector<Rect>{{3000, 9000, 1305, 900}}));
    sink.areas.clear();

    form->label("LblScore2").setCaption("1");
    EXPECT_EQ(sink.areas, (std::vector<Rect>{{2040, 11160, 1695, 495}}));
}

}  // namespace
}  // namespace fenwing
