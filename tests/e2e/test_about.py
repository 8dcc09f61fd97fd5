"""The About window, opened from the notification icon's menu as a person would."""

from kestrin_e2e import (ABOUT, ABOUT_DESCRIPTION, ABOUT_OK, ABOUT_TITLE, ABOUT_VERSION, DESCRIPTION, LBL_STATUS,
                         MAIN, KestrinTestCase, main)


class AboutWindow(KestrinTestCase):
    def open_about(self):
        self.tray.right_click()
        self.driver("menu-key", MAIN, "a")
        self.driver.wait_visible(ABOUT, True)
        return self.driver.find(ABOUT)

    def test_tray_menu_opens_one_about_window_with_the_program_texts(self):
        self.start_service()
        self.start_watching()
        self.driver.wait_visible(MAIN, True)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.screenshot_of(MAIN, "main-window.png")

        first = self.open_about()
        self.assertEqual(self.driver("caption", ABOUT), "About Kestrin")
        self.assertEqual(self.driver.text(ABOUT, ABOUT_TITLE), "Kestrin")
        self.assertEqual(self.driver.text(ABOUT, ABOUT_VERSION), "Version 1.1.1")
        self.assertEqual(self.driver.text(ABOUT, ABOUT_DESCRIPTION), DESCRIPTION)
        self.screenshot_of(ABOUT, "about-window.png")

        second = self.open_about()
        self.assertEqual(self.driver.count(ABOUT), 1)
        self.assertEqual(second, first, "choosing About again made a new window")

    def test_exit_leaves_the_about_window_and_the_program_ends_when_it_closes(self):
        proc = self.start_watching()
        self.driver.wait_visible(MAIN, True)
        self.open_about()

        self.driver("menu-file-exit", MAIN)
        self.driver.wait_gone(MAIN)
        self.tray.wait_no_icon()
        self.assertTrue(self.driver.visible(ABOUT), "Exit closed the About window")
        self.assertIsNone(proc.poll(), "the program ended while its About window was open")
        self.assertEqual(self.stored("Minimise to Tray"), "False")

        self.driver("click", ABOUT, ABOUT_OK)
        self.driver.wait_gone(ABOUT)
        self.wait_exit(proc)


if __name__ == "__main__":
    main()
