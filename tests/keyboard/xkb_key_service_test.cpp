// placeholder until the back-end test is written
