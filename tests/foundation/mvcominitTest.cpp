#include "foundation/mvcominit.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <thread>

namespace {

// Runs the body on a fresh thread, whose COM state and count start at zero.
template <typename F> void OnNewThread(F body) {
    std::thread thread(body);
    thread.join();
}

// What the thread's COM apartment is, probed by asking for the other kind.
enum class Apartment { None, SingleThreaded, MultiThreaded };
Apartment CurrentApartment() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (hr == RPC_E_CHANGED_MODE)
        return Apartment::SingleThreaded;
    CoUninitialize(); // undo the probe
    return hr == S_OK ? Apartment::None : Apartment::MultiThreaded;
}

} // namespace

TEST(mvcominit, NestedUsersShareOneApartment) {
    OnNewThread([] {
        EXPECT_EQ(mvcominit::Count(), 0);
        {
            mvcominit outer;
            EXPECT_EQ(mvcominit::Count(), 1);
            EXPECT_EQ(mvcominit::Mode(), 2);
            EXPECT_EQ(CurrentApartment(), Apartment::SingleThreaded);
            {
                mvcominit inner;
                EXPECT_EQ(mvcominit::Count(), 2);
            }
            EXPECT_EQ(mvcominit::Count(), 1);
            EXPECT_EQ(CurrentApartment(), Apartment::SingleThreaded);
        }
        EXPECT_EQ(mvcominit::Count(), 0);
        EXPECT_EQ(mvcominit::Mode(), 0);
        EXPECT_EQ(CurrentApartment(), Apartment::None);
    });
}

TEST(mvcominit, InitModes) {
    OnNewThread([] {
        mvcominit::Uninit(); // nothing to release
        EXPECT_TRUE(mvcominit::Init(-1));
        EXPECT_EQ(mvcominit::Count(), 0);

        EXPECT_TRUE(mvcominit::Init(0));
        EXPECT_TRUE(mvcominit::Init(1));
        EXPECT_TRUE(mvcominit::Init(1));
        EXPECT_EQ(mvcominit::Count(), 3);
        EXPECT_EQ(mvcominit::Mode(), 2);
        EXPECT_TRUE(mvcominit::Init(-1));
        mvcominit::Uninit();
        EXPECT_EQ(CurrentApartment(), Apartment::SingleThreaded);
        mvcominit::Uninit();
        EXPECT_EQ(mvcominit::Count(), 0);
        // Every initialisation was undone, also the repeated ones.
        EXPECT_EQ(CurrentApartment(), Apartment::None);
    });
}

TEST(mvcominit, LeavesAnotherApartmentAlone) {
    OnNewThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            mvcominit com; // refused: the thread is multi-threaded already
            EXPECT_EQ(mvcominit::Count(), 1);
        }
        EXPECT_EQ(CurrentApartment(), Apartment::MultiThreaded);
        CoUninitialize();
        EXPECT_EQ(CurrentApartment(), Apartment::None);
    });
}

TEST(mvcominit, CountIsPerThread) {
    mvcominit here;
    const int countHere = mvcominit::Count();
    OnNewThread([] { EXPECT_EQ(mvcominit::Count(), 0); });
    EXPECT_EQ(mvcominit::Count(), countHere);
}

TEST(mvcominit, DeferredAcquireStartsNothingUntilAskedThenKeepsTheApartment) {
    OnNewThread([] {
        mvcominit::DeferAcquire();
        EXPECT_EQ(CurrentApartment(), Apartment::None);
        mvcominit::EndDeferred();
        EXPECT_EQ(mvcominit::Count(), 0);
        EXPECT_EQ(CurrentApartment(), Apartment::None);

        mvcominit::DeferAcquire();
        {
            mvcominit user;
            EXPECT_EQ(mvcominit::Count(), 2); // the user and the thread itself
        }
        // The first user is gone, the apartment stays for the next one.
        EXPECT_EQ(mvcominit::Count(), 1);
        EXPECT_EQ(CurrentApartment(), Apartment::SingleThreaded);
        {
            mvcominit again;
            EXPECT_EQ(mvcominit::Count(), 2);
        }
        mvcominit::EndDeferred();
        EXPECT_EQ(mvcominit::Count(), 0);
        EXPECT_EQ(mvcominit::Mode(), 0);
        EXPECT_EQ(CurrentApartment(), Apartment::None);
        mvcominit::EndDeferred(); // nothing held: nothing released
        EXPECT_EQ(mvcominit::Count(), 0);
    });
}
