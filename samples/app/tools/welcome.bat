@echo off
rem Runs once after the installation, from the setup program's temporary copy of the media.
echo Thank you for installing the Vurerode sample application.
